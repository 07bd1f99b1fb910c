// Run-time class information: each framework class names itself and its
// base, so an object can be asked what it is. Tables are constant data, so
// they exist before any constructor of the library runs.
#pragma once

class CObject;

struct CRuntimeClass {
  const char* m_lpszClassName;
  int m_nObjectSize;
  unsigned m_wSchema;                           // 0xFFFF: not serialisable
  CObject* (*m_pfnCreateObject)();              // null: no dynamic creation
  const CRuntimeClass* (*m_pfnGetBaseClass)();  // null at the root

  const CRuntimeClass* GetBaseClass() const { return m_pfnGetBaseClass ? m_pfnGetBaseClass() : nullptr; }
  bool IsDerivedFrom(const CRuntimeClass* base) const;
  // A new object of the class, or null for a class without dynamic creation.
  CObject* CreateObject() const { return m_pfnCreateObject ? m_pfnCreateObject() : nullptr; }
};

#define RUNTIME_CLASS(class_name) (class_name::GetThisClass())

#define DECLARE_DYNAMIC(class_name)             \
 public:                                        \
  static const CRuntimeClass class##class_name; \
  static const CRuntimeClass* GetThisClass();   \
  const CRuntimeClass* GetRuntimeClass() const override;

#define IMPLEMENT_DYNAMIC(class_name, base_class_name)                                                            \
  const CRuntimeClass class_name::class##class_name = {#class_name, static_cast<int>(sizeof(class_name)), 0xFFFF, \
                                                       nullptr, &base_class_name::GetThisClass};                  \
  const CRuntimeClass* class_name::GetThisClass() { return &class_name::class##class_name; }                      \
  const CRuntimeClass* class_name::GetRuntimeClass() const { return &class_name::class##class_name; }

// The root of every framework class.
class CObject {
 public:
  virtual const CRuntimeClass* GetRuntimeClass() const;
  virtual ~CObject() = default;

  bool IsKindOf(const CRuntimeClass* someClass) const { return GetRuntimeClass()->IsDerivedFrom(someClass); }

  static const CRuntimeClass classCObject;
  static const CRuntimeClass* GetThisClass();

 protected:
  CObject() = default;
  CObject(const CObject&) = default;
  CObject& operator=(const CObject&) = default;
};
