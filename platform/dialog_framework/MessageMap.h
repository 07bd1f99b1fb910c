// Message maps: each class that handles window messages has one constant
// table, chained to its base class's, so a derived class handles what it
// lists and inherits the rest. Handlers are small functions made by the
// macros below; they call the member named in the table, virtually where
// the member is virtual.
#pragma once

#include "RuntimeClass.h"
#include "UserServices.h"

class CCmdTarget;

typedef LRESULT (*AFX_MSG_HANDLER)(CCmdTarget* target, WPARAM wParam, LPARAM lParam);

struct AFX_MSGMAP_ENTRY {
  UINT message;
  UINT code;     // WM_COMMAND: the notification code
  UINT firstId;  // WM_COMMAND: the range of control ids
  UINT lastId;
  AFX_MSG_HANDLER handler;  // null ends the table
};

struct AFX_MSGMAP {
  const AFX_MSGMAP* (*pfnGetBaseMap)();  // null at the root
  const AFX_MSGMAP_ENTRY* lpEntries;
};

// The first entry for the message along the chain from `map` to the root,
// or null. `code` and `id` matter for WM_COMMAND only.
const AFX_MSGMAP_ENTRY* AfxFindMessageEntry(const AFX_MSGMAP* map, UINT message, UINT code, UINT id);

// A class that can receive messages.
class CCmdTarget : public CObject {
  DECLARE_DYNAMIC(CCmdTarget)

 public:
  virtual const AFX_MSGMAP* GetMessageMap() const;

 protected:
  static const AFX_MSGMAP* GetThisMessageMap();
};

#define DECLARE_MESSAGE_MAP()                       \
 public:                                            \
  const AFX_MSGMAP* GetMessageMap() const override; \
                                                    \
 protected:                                         \
  static const AFX_MSGMAP* GetThisMessageMap();

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                      \
  const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
  const AFX_MSGMAP* theClass::GetThisMessageMap() {                                 \
    using ThisClass [[maybe_unused]] = theClass;                                    \
    using TheBaseClass = baseClass;                                                 \
    static const AFX_MSGMAP_ENTRY messageEntries[] = {
#define END_MESSAGE_MAP()                                                                      \
  { 0, 0, 0, 0, nullptr }                                                                      \
  }                                                                                            \
  ;                                                                                            \
  static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &messageEntries[0]}; \
  return &messageMap;                                                                          \
  }

// A button click or menu command with the given id: void member().
#define ON_COMMAND(id, memberFxn)                                                          \
  {WM_COMMAND, BN_CLICKED, (id), (id), [](CCmdTarget* target, WPARAM, LPARAM) -> LRESULT { \
     static_cast<ThisClass*>(target)->memberFxn();                                         \
     return 0;                                                                             \
   }},

// Any message: LRESULT member(WPARAM, LPARAM).
#define ON_MESSAGE(message, memberFxn)                                                   \
  {(message), 0, 0, 0, [](CCmdTarget* target, WPARAM wParam, LPARAM lParam) -> LRESULT { \
     return static_cast<ThisClass*>(target)->memberFxn(wParam, lParam);                  \
   }},
