#include "RuntimeClass.h"

bool CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const {
  for (const CRuntimeClass* step = this; step; step = step->GetBaseClass()) {
    if (step == base) return true;
  }
  return false;
}

const CRuntimeClass CObject::classCObject = {"CObject", static_cast<int>(sizeof(CObject)), 0xFFFF, nullptr, nullptr};

const CRuntimeClass* CObject::GetThisClass() { return &classCObject; }

const CRuntimeClass* CObject::GetRuntimeClass() const { return &classCObject; }
