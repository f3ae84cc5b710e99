// Dynamic creation: a class declared with DECLARE_DYNCREATE can be created
// by the framework from its CRuntimeClass.
//
//   // in the class:           // in the .cpp:
//   DECLARE_DYNCREATE(CMyView)  IMPLEMENT_DYNCREATE(CMyView, CFormView)
//   ... RUNTIME_CLASS(CMyView)->CreateObject() ...
#pragma once

#include "platform/text/object.h"

struct CRuntimeClass {
  CObject* (*m_pfnCreateObject)();
  CObject* CreateObject() const { return m_pfnCreateObject(); }
};

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

#define DECLARE_DYNCREATE(class_name)              \
 public:                                           \
  static const CRuntimeClass class##class_name;   \
  static CObject* CreateObject();

#define IMPLEMENT_DYNCREATE(class_name, base_class_name)                       \
  CObject* class_name::CreateObject() { return new class_name; }               \
  const CRuntimeClass class_name::class##class_name = {&class_name::CreateObject};
