// The syntax rules' reader: reads one C or C++ source as the language has
// it (comments, string and character literals, preprocessor lines, braces)
// and reports every function definition with the calls made in its body.
//
// It reads the file in blocks and keeps only the statement at hand, so its
// memory does not grow with the size of a file or of a line. Text is bytes:
// in a Shift-JIS file the second byte of a pair never ends a token or
// escapes a quote; UTF-8 and EUC-JP hold no byte below 0x80 inside a
// character and need no care.
#pragma once

#include <cstddef>
#include <string_view>

#include "platform/text/text_encoding.h"

/// Where the reader reports what it found, in the order of the source.
class ISyntaxReaderSink {
 public:
  virtual ~ISyntaxReaderSink() = default;
  /// A function definition: its full name (enclosing namespaces and classes
  /// first, template arguments left out, at most 255 bytes) and the 1-based
  /// line of its name. It is the function the calls that follow belong to,
  /// up to EndDefinition. inNamespace: the scope that qualifies the name is
  /// a namespace, not a class.
  virtual void OnDefinition(std::string_view name, int line, bool inNamespace) = 0;
  /// A call in the body of the current definition, as written (member calls
  /// by their member name), with the line of its name. Repeats are reported.
  virtual void OnCall(std::string_view name, int line) = 0;
  /// The body of the current definition has ended.
  virtual void OnDefinitionEnd() {}
};

/// Where the reader takes its bytes from.
class ISyntaxByteSource {
 public:
  virtual ~ISyntaxByteSource() = default;
  /// Fills up to size bytes; returns how many, 0 at the end. May throw.
  virtual std::size_t Read(char* buf, std::size_t size) = 0;
  /// The encoding of the bytes read so far. It may change as reading goes
  /// on, but only while every byte read before was below 0x80.
  virtual TextEncoding Encoding() const = 0;
};

/// Reads the whole source and reports to sink. Throws what source throws.
void ReadSyntax(ISyntaxByteSource& source, ISyntaxReaderSink& sink);
