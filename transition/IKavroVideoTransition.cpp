// The interface class is exported whole: its constructors and assignment only
// install or keep the table, whose entries all lead to the pure-call handler.
#include "transition/host_api/IKavroVideoTransition.h"

IKavroVideoTransition::IKavroVideoTransition() = default;
IKavroVideoTransition::IKavroVideoTransition(const IKavroVideoTransition&) = default;
IKavroVideoTransition& IKavroVideoTransition::operator=(const IKavroVideoTransition&) { return *this; }

#if defined(_WIN32)
// The interface's table in the form Microsoft's compiler exports it: the bare
// fifteen slots, each leading to the pure-call handler.
extern "C" void __cxa_pure_virtual();
extern "C" void (*const kivInterfaceSlotTable[15])() = {
    __cxa_pure_virtual, __cxa_pure_virtual, __cxa_pure_virtual, __cxa_pure_virtual, __cxa_pure_virtual,
    __cxa_pure_virtual, __cxa_pure_virtual, __cxa_pure_virtual, __cxa_pure_virtual, __cxa_pure_virtual,
    __cxa_pure_virtual, __cxa_pure_virtual, __cxa_pure_virtual, __cxa_pure_virtual, __cxa_pure_virtual,
};
#endif
