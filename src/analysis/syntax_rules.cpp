// The syntax rules as a rule set: each file is read once, in blocks, by the
// C and C++ reader; there are no working files.
#include <string_view>

#include "analysis/encoding_detect.h"
#include "analysis/rule_set.h"
#include "analysis/run_assembly.h"
#include "analysis/syntax_reader.h"
#include "platform/files/stdio_file.h"

namespace {

// Thrown out of the reader when the run is to stop.
struct StopReading {};

// Feeds the reader a file's text and hands what it finds to the unit.
class CUnitReader : public ISyntaxByteSource, public ISyntaxReaderSink {
 public:
  CUnitReader(CStdioFile& file, CFileUnit& unit, EncodingChoice choice)
      : m_file(file), m_unit(unit), m_bDeciding(choice == EncodingChoice::kAuto) {
    switch (choice) {
      case EncodingChoice::kAuto: m_encoding = TextEncoding::kAscii; break;
      case EncodingChoice::kCp932: m_encoding = TextEncoding::kCp932; break;
      case EncodingChoice::kUtf8: m_encoding = TextEncoding::kUtf8; break;
      case EncodingChoice::kEucJp: m_encoding = TextEncoding::kEucJp; break;
    }
  }
  TextEncoding InitialEncoding() const { return m_encoding; }

  // Straight into the reader's buffer: the text is copied once, by the
  // system.
  std::size_t Read(char* buf, std::size_t size) override {
    if (m_unit.StopRequested()) throw StopReading();
    std::size_t n = m_file.ReadBytes(buf, size);
    if (m_bDeciding && n > 0) Decide(std::string_view(buf, n));
    return n;
  }
  TextEncoding Encoding() const override { return m_encoding; }

  void OnDefinition(std::string_view name, int line, bool inNamespace) override {
    m_unit.AddHead(name, line, inNamespace);
  }
  void OnCall(std::string_view name, int line) override {
    m_unit.AddCall(name, [line] { return line; });
  }

 private:
  // run: the text read last; the detector reads on from the file.
  void Decide(std::string_view run) {
    if (!DecideFileEncoding(run, m_file, &m_encoding)) return;
    m_bDeciding = false;
    m_unit.SetEncoding(m_encoding);
  }

  CStdioFile& m_file;
  CFileUnit& m_unit;
  bool m_bDeciding;
  TextEncoding m_encoding = TextEncoding::kAscii;
};

class CSyntaxAnalyzer : public IFileAnalyzer {
 public:
  explicit CSyntaxAnalyzer(EncodingChoice encoding) : m_encodingChoice(encoding) {}

  void Analyze(const CString& path, CFileUnit& unit) override {
    // A CR before a line end is a blank to the reader: the file is read as
    // it is, without the work of taking those out.
    CStdioFile file(path, CStdioFile::modeRead | CStdioFile::typeBinary);
    CUnitReader reader(file, unit, m_encodingChoice);
    unit.BeginFile(path, reader.InitialEncoding());
    try {
      ReadSyntax(reader, reader);
    } catch (const StopReading&) {
      // The run ends here.
    }
  }
  bool IsOwnFile(const CString&) const override { return false; }
  void RemoveWorkFiles() override {}

 private:
  EncodingChoice m_encodingChoice;
};

class CSyntaxRuleSet : public IRuleSet {
 public:
  std::vector<std::string> WorkFileNames() const override { return {}; }
  std::unique_ptr<IFileAnalyzer> NewAnalyzer(const std::string&,
                                             EncodingChoice encoding) const override {
    return std::make_unique<CSyntaxAnalyzer>(encoding);
  }
  // A name is written with its enclosing scopes (ns::C::f), which its
  // definition's line need not show: the listing looks for the last part,
  // the whole operator for one ("C::operator std::string" gives
  // "operator std::string").
  std::string_view ListedName(std::string_view name) const override {
    for (std::size_t at = name.find("operator"); at != std::string_view::npos;
         at = name.find("operator", at + 1)) {
      std::size_t end = at + 8;
      bool startsPart = at == 0 || (at >= 2 && name.compare(at - 2, 2, "::") == 0);
      bool wholeWord = end == name.size() || !IsNameByte(name[end]);
      if (startsPart && wholeWord) return name.substr(at);
    }
    std::size_t colons = name.rfind("::");
    return colons == std::string_view::npos ? name : name.substr(colons + 2);
  }

 private:
  static bool IsNameByte(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return u == '_' || (u >= '0' && u <= '9') || ((u | 0x20) >= 'a' && (u | 0x20) <= 'z') || u >= 0x80;
  }
};

}  // namespace

const IRuleSet& SyntaxRuleSet() {
  static const CSyntaxRuleSet rules;
  return rules;
}
