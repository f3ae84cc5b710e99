// CObject: the root of the program's classes that are kept by pointer in
// containers of the text layer (a map of listing windows, for one).
#pragma once

class CObject {
 public:
  virtual ~CObject() = default;
};
