#include "analysis/syntax_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "analysis/pipeline.h"
#include "analysis/rule_set.h"
#include "tests/temp_dir.h"

namespace {

// Text handed out in pieces of at most `piece` bytes.
class TextSource : public ISyntaxByteSource {
 public:
  TextSource(std::string text, TextEncoding encoding, std::size_t piece = 1 << 20)
      : m_text(std::move(text)), m_encoding(encoding), m_piece(piece) {}
  std::size_t Read(char* buf, std::size_t size) override {
    std::size_t n = std::min({size, m_piece, m_text.size() - m_pos});
    m_text.copy(buf, n, m_pos);
    m_pos += n;
    return n;
  }
  TextEncoding Encoding() const override { return m_encoding; }

 private:
  std::string m_text;
  TextEncoding m_encoding;
  std::size_t m_piece;
  std::size_t m_pos = 0;
};

// Each definition as "name:line", its calls as " call:line" after it.
class Recorder : public ISyntaxReaderSink {
 public:
  void OnDefinition(std::string_view name, int line, bool inNamespace) override {
    if (m_bOpen) text += "!";  // a definition before the last one ended
    if (!text.empty()) text += "\n";
    text += std::string(name) + (inNamespace ? "@ns" : "") + ":" + std::to_string(line);
    m_bOpen = true;
  }
  void OnCall(std::string_view name, int line) override {
    if (!m_bOpen) text += " (outside)";
    text += " " + std::string(name) + ":" + std::to_string(line);
  }
  void OnDefinitionEnd() override { m_bOpen = false; }
  std::string text;

 private:
  bool m_bOpen = false;
};

std::string Read(const std::string& source, TextEncoding encoding = TextEncoding::kUtf8,
                 std::size_t piece = 1 << 20) {
  TextSource src(source, encoding, piece);
  Recorder rec;
  ReadSyntax(src, rec);
  return rec.text;
}

struct Shape {
  const char* what;
  const char* source;
  const char* expected;
};

TEST(SyntaxReader, ReadsTheShapesOfRealCode) {
  const Shape shapes[] = {
      {"a condition before a head is no code",
       "#if !defined(DISABLE_SOUND)\nstatic void sound_init(void)\n{\n  open_dev(1);\n}\n#endif\n",
       "sound_init:2 open_dev:4"},
      {"any return type, macros before the name",
       "STATIC LRESULT WINAPI wnd_proc(HWND h)\n{ return DefProc(h); }\n"
       "static int __init foo_init(void) { return 0; }\n",
       "wnd_proc:1 DefProc:2\nfoo_init:3"},
      {"old-style parameters",
       "int\nadd(a, b)\nint a;\nchar *b;\n{\n  return twice(a);\n}\n", "add:2 twice:6"},
      {"a qualified member with qualifiers",
       "bool C::f() const noexcept {\n  return g();\n}\n", "C::f:1 g:2"},
      {"a constructor's initializer list, braces included",
       "C::C(int x) : a(make(x)), b{x} {\n  init();\n}\nC::~C() { done(); }\n",
       "C::C:1 make:1 init:2\nC::~C:4 done:4"},
      {"operators",
       "bool P::operator==(const P& o) const { return eq(o); }\n"
       "int P::operator()(int x) { return x; }\nP::operator bool() const { return ok(); }\n"
       "void* P::operator new(size_t n) { return alloc(n); }\n",
       "P::operator==:1 eq:1\nP::operator():2\nP::operator bool:3 ok:3\n"
       "P::operator new:4 alloc:4"},
      {"templates and namespaces",
       "namespace ns {\ntemplate <typename T, int N = 3>\nT D<T>::k(T t) { return conv<T>(t) + h(t); }\n"
       "class E : public B<int> {\n public:\n  void m() override { n(); }\n};\n}\n",
       "ns::D::k:3 h:3\nns::E::m:6 n:6"},
      {"a qualifier tells a namespace from a class",
       "namespace a { namespace b {\nvoid f() {}\n}\nvoid b::g() {}\nstruct S { void m() {} };\n"
       "void Xoperator::h() {}\n}\nvoid a::S::n() {}\nvoid C::k() {}\nvoid top() {}\n",
       "a::b::f@ns:2\na::b::g@ns:4\na::S::m:5\na::Xoperator::h:6\na::S::n:8\nC::k:9\ntop:10"},
      {"literals hide what looks like code",
       "void f() {\n  const char* r = R\"x(a)\" b(\"c\")x\";\n  puts(\"/* \\\"q(\");\n"
       "  char c = '(';\n  g(c);\n}\n",
       "f:1 puts:3 g:5"},
      {"member calls by their name, qualified calls as written",
       "void f(S* p) {\n  p->ops->open(p);\n  s.close();\n  std::max(1, 2);\n  ::exit(0);\n}\n",
       "f:1 open:2 close:3 std::max:4 exit:5"},
      {"keywords, casts and pointers to functions call nothing",
       "int f(int x) {\n  if (x) return sizeof(int);\n  void (*cb)(int) = 0;\n"
       "  handler_t (*h)(int);\n  (void)(x);\n  for (;;) {}\n  return g(x);\n}\n",
       "f:1 g:7"},
      {"blocks, lambdas and iterator macros in a body belong to it",
       "void f() {\n  list_for_each_entry(pos, head, member) {\n    use(pos);\n  }\n"
       "  auto l = [](int v) { return sq(v); };\n  struct L { void m() { inner(); } };\n}\n",
       "f:1 list_for_each_entry:2 use:3 sq:5 inner:6"},
      {"branches of a condition start at the same depth",
       "void f(int a)\n{\n#ifdef X\n  if (a) {\n#else\n  if (!a) {\n#endif\n    g();\n  }\n}\n"
       "void h() { k(); }\n",
       "f:1 g:8\nh:11 k:11"},
      {"a never-compiled group is skipped",
       "#if 0\nvoid old() { x(); }\n#else\nvoid now() { y(); }\n#endif\n", "now:4 y:4"},
      {"file-scope code calls nothing, and a macro may name a definition",
       "EXPORT_SYMBOL(f);\nstatic struct ops o = { .open = f, .n = count(1) };\n"
       "int t[] = { g(1) };\nSYSCALL_DEFINE3(read, int, fd, char *, buf, size_t, n)\n{\n"
       "  return do_read(fd);\n}\n",
       "SYSCALL_DEFINE3:4 do_read:6"},
      {"declarations, prototypes and classes are no definitions",
       "int proto(int);\nstruct S {\n  int x;\n  int (*open)(int);\n};\n"
       "extern \"C\" {\nint c_fn(void) { return 1; }\n}\nenum E { A = f(1) };\n",
       "c_fn:7"},
  };
  for (const Shape& s : shapes) EXPECT_EQ(Read(s.source), s.expected) << s.what;
  // Calls in declarations, and past 255 bytes of a statement.
  EXPECT_EQ(Read("void f() {\n  int fd = open_dev(x);\n  x = " + std::string(300, '1') +
                 " + late(1);\n}\n"),
            "f:1 open_dev:2 late:3");
}

TEST(SyntaxReader, ShiftJisSecondBytesNeverEndATokenOrEscape) {
  // 表 is 95 5C: its second byte is a backslash.
  const std::string sjis =
      "void f() {\n  puts(\"\x95\x5C\");\n  g();\n}\n"
      "// \x95\x5C\nvoid h() { k(); } /* \x95\x5C*/\n";
  EXPECT_EQ(Read(sjis, TextEncoding::kCp932), "f:1 puts:2 g:3\nh:6 k:6");
}

TEST(SyntaxReader, PiecesAndNamesDoNotChangeWhatIsRead) {
  // A source of every shape, read whole and in pieces of every small size.
  const std::string source =
      std::string(
          "namespace a { class B {\n  int m(int x) const { return c(x) + d->e(x); }\n}; }\n"
      "int f(int x) /* c */ { // x\n  return g(\"s)\", 'q') + R\"y(z)\")y\"[0] + \\\n h(x);\n}\n"
      "#define M(x) m(x)\n#if 0\nvoid z() { w(); }\n#endif\n"
      // Blank lines, CR LF, a form feed, indentation longer than sixteen bytes.
      "\f\r\n\r\n") + std::string(20, ' ') + "\t\t int k(void)\r\n{\r\n \r\n" +
      std::string(18, ' ') + "l();  \t \r\n}\n";
  const std::string whole = Read(source);
  EXPECT_EQ(whole, "a::B::m:2 c:2 e:2\nf:4 g:5 h:6\nk:14 l:17");
  for (std::size_t piece = 1; piece < 24; ++piece)
    EXPECT_EQ(Read(source, TextEncoding::kUtf8, piece), whole) << piece;

  // Names longer than 255 bytes are cut.
  const std::string longName(300, 'n');
  EXPECT_EQ(Read("void " + longName + "() { " + longName + "(); }"),
            std::string(255, 'n') + ":1 " + std::string(255, 'n') + ":1");
}

// Japanese text in comments and literals, in each of the three encodings.
struct JapaneseWord {
  const char* cp932;
  const char* utf8;
  const char* eucjp;
};
constexpr JapaneseWord kWords[] = {
    {"\x95\x5C", "\xE8\xA1\xA8", "\xC9\xBD"},  // 表
    {"\x83\x5C", "\xE3\x82\xBD", "\xA5\xBD"},  // ソ
    {"\x82\xA0", "\xE3\x81\x82", "\xA4\xA2"},  // あ
    {"\x93\xFA", "\xE6\x97\xA5", "\xC6\xFC"},  // 日
};

TEST(SyntaxReader, GeneratedSourcesReadAlikeInEveryEncodingAndWithoutComments) {
  std::mt19937 random(20261207);
  const char* const snippets[] = {"f%(x);\n", "if (a) { g%(); }\n", "p->m%();\n",
                                  "s = \"J(\";\n", "c = 'J';\n", "/* J ( */\n",
                                  "// J k%(\n", "{ n%(); }\n"};
  for (int round = 0; round < 200; ++round) {
    std::string text[3], plain;
    auto add = [&](const std::string& s, bool comment) {
      // J is a Japanese word, % a number: the same in each text.
      const JapaneseWord& w = kWords[random() % 4];
      std::string n = std::to_string(random() % 5);
      for (int e = 0; e < 3; ++e) {
        std::string t = s;
        for (std::size_t at; (at = t.find('J')) != std::string::npos;)
          t.replace(at, 1, e == 0 ? w.cp932 : e == 1 ? w.utf8 : w.eucjp);
        for (std::size_t at; (at = t.find('%')) != std::string::npos;) t.replace(at, 1, n);
        text[e] += t;
        if (e == 1) plain += comment ? std::string(std::count(t.begin(), t.end(), '\n'), '\n') : t;
      }
    };
    int functions = 1 + random() % 3;
    for (int f = 0; f < functions; ++f) {
      add("int fn" + std::to_string(f) + "(int x)\n{\n", false);
      int statements = random() % 6;
      for (int k = 0; k < statements; ++k) {
        std::size_t which = random() % 8;
        add(snippets[which], which >= 5 && which <= 6);
      }
      add("}\n", false);
    }
    const std::string expected = Read(text[1], TextEncoding::kUtf8);
    EXPECT_EQ(Read(text[0], TextEncoding::kCp932), expected) << text[0];
    EXPECT_EQ(Read(text[2], TextEncoding::kEucJp), expected) << text[2];
    EXPECT_EQ(Read(plain, TextEncoding::kUtf8), expected) << plain;
  }
}

}  // namespace

namespace {

// A run's table as "name:line call call..." lines, with each file's encoding.
std::string RunSyntax(const std::vector<CString>& files) {
  CAnalysisEngine engine;
  CSourceList sources(files);
  AnalysisRequest request;
  request.rules = &SyntaxRuleSet();
  AnalysisOutcome outcome = engine.Run(sources, request);
  EXPECT_FALSE(outcome.failure);
  const CFunctionTable& t = engine.GetTable();
  std::string text;
  for (int f = 0; f < t.GetFileCount(); ++f)
    text += std::string(EncodingName(t.GetFileEncoding(f))) + "\n";
  for (int i = 0; i < t.GetFunctionCount(); ++i) {
    text += std::string(t.GetEntryName(i)) + ":" + std::to_string(t.GetEntryLine(i));
    for (const CString& call : t.GetCallList(i)) text += " " + call.str();
    text += "\n";
  }
  return text;
}

// What a listing looks for: the syntax rules' names carry their scopes,
// which the lines of a definition and its calls need not show.
TEST(SyntaxRules, ListingsLookForTheLastPartOfAName) {
  const std::pair<const char*, const char*> names[] = {
      {"f", "f"},
      {"ns::C::f", "f"},
      {"C::~C", "~C"},
      {"P::operator==", "operator=="},
      {"P::operator std::string", "operator std::string"},
      {"operator new", "operator new"},
      {"C::operator_x", "operator_x"},  // a name that begins like an operator
      {"ns::xoperator::g", "g"},
  };
  for (const auto& [name, listed] : names) EXPECT_EQ(SyntaxRuleSet().ListedName(name), listed) << name;
  EXPECT_EQ(ClassicRuleSet().ListedName("C::f"), "C::f");
}

TEST(SyntaxRules, ReadEachFileOnItsOwnInTheEncodingItsBytesShow) {
  TempDir dir;
  // The first file ends inside a function; the second holds Shift-JIS, a
  // 表 whose second byte is a backslash, and calls before its first head.
  const CString a(dir.Write("a.c", "void a(void) {\n  x();\n}\nvoid open_end(void) {\n  y(\n"));
  const CString b(dir.Write(
      "b.c", "/* \x95\x5C */ int v = w();\nvoid b(void) { puts(\"\x95\x5C\"); z(); }\n"));
  EXPECT_EQ(RunSyntax({a, b}),
            "ascii\ncp932\na:1 x\nopen_end:4 y\nb:2 puts z\n");
  EXPECT_EQ(RunSyntax({b}), "cp932\nb:2 puts z\n");
}

}  // namespace
