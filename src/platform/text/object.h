// CObject: the root of the classes that the window layer creates from
// their run-time class (documents, frames and views) and of everything with
// a message map.
#pragma once

class CObject {
 public:
  virtual ~CObject() = default;
};
