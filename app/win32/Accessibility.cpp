#include "app/win32/Accessibility.h"

#include "app/Accessible.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/Text.h"

namespace stowlark {
namespace {

// The accessibility library and OLE automation are loaded when a screen
// reader first asks, not at start-up.
HRESULT Text(std::string_view text, BSTR* out) {
  using Allocate = BSTR(WINAPI*)(const OLECHAR*);
  static const auto allocate = win32::SystemFunction<Allocate>(L"oleaut32.dll", "SysAllocString");
  *out = nullptr;
  if (text.empty()) return S_FALSE;
  *out = allocate != nullptr ? allocate(win32::Widen(text).c_str()) : nullptr;
  return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT Number(long value, VARIANT* out) {
  out->vt = VT_I4;
  out->lVal = value;
  return S_OK;
}

HRESULT Nothing(VARIANT* out) {
  out->vt = VT_EMPTY;
  return S_FALSE;
}

// The child a VARIANT names; the object itself is CHILDID_SELF.
struct Target {
  bool valid = false;
  const AccessibleChild* child = nullptr;
  const Control* control = nullptr;
};

Target TargetOf(const VARIANT& variant) {
  const auto children = AccessibleChildren();
  if (variant.vt != VT_I4 || variant.lVal < 0 ||
      variant.lVal > static_cast<long>(children.size())) {
    return {};
  }
  if (variant.lVal == CHILDID_SELF) return {true};
  const AccessibleChild& child = children[static_cast<std::size_t>(variant.lVal - 1)];
  return {true, &child, &FindControl(child.control)};
}

long RoleOf(AccessibleRole role) {
  switch (role) {
    case AccessibleRole::PushButton:
      return ROLE_SYSTEM_PUSHBUTTON;
    case AccessibleRole::Link:
      return ROLE_SYSTEM_LINK;
    case AccessibleRole::StaticText:
      break;
  }
  return ROLE_SYSTEM_STATICTEXT;
}

}  // namespace

// Every question first checks that the window is still there and that the
// child is one of its own; the object itself is answered by the system's.
template <typename Self, typename Child>
HRESULT ClientAccessible::Ask(const VARIANT& variant, Self self, Child child) {
  if (form_ == nullptr) return RPC_E_DISCONNECTED;
  const Target target = TargetOf(variant);
  if (!target.valid) return E_INVALIDARG;
  return target.child == nullptr ? self(standard_.Get()) : child(target);
}

ClientAccessible::ClientAccessible(HWND window, frmBackup& form,
                                   win32::ComPtr<IAccessible> standard)
    : window_(window), form_(&form), standard_(std::move(standard)) {}

LRESULT ClientAccessible::Answer(HWND window, frmBackup& form,
                                 win32::ComPtr<ClientAccessible>& object, WPARAM wParam) {
  using Create = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);
  using Result = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);
  static const auto create =
      win32::SystemFunction<Create>(L"oleacc.dll", "CreateStdAccessibleObject");
  static const auto result = win32::SystemFunction<Result>(L"oleacc.dll", "LresultFromObject");
  if (create == nullptr || result == nullptr) return 0;
  if (!object) {
    win32::ComPtr<IAccessible> standard;
    if (FAILED(create(window, OBJID_CLIENT, __uuidof(IAccessible),
                      reinterpret_cast<void**>(standard.Put())))) {
      return 0;
    }
    *object.Put() = new ClientAccessible(window, form, std::move(standard));
  }
  return result(__uuidof(IAccessible), wParam, object.Get());
}

STDMETHODIMP ClientAccessible::QueryInterface(REFIID id, void** out) {
  if (id == __uuidof(IUnknown) || id == __uuidof(IDispatch) || id == __uuidof(IAccessible)) {
    *out = static_cast<IAccessible*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) ClientAccessible::AddRef() { return ++references_; }

STDMETHODIMP_(ULONG) ClientAccessible::Release() {
  const ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

STDMETHODIMP ClientAccessible::GetTypeInfoCount(UINT* count) {
  *count = 0;
  return S_OK;
}
STDMETHODIMP ClientAccessible::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }
STDMETHODIMP ClientAccessible::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
  return E_NOTIMPL;
}
STDMETHODIMP ClientAccessible::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                      UINT*) {
  return E_NOTIMPL;
}

STDMETHODIMP ClientAccessible::get_accParent(IDispatch** parent) {
  if (form_ == nullptr) return RPC_E_DISCONNECTED;
  return standard_->get_accParent(parent);
}

STDMETHODIMP ClientAccessible::get_accChildCount(long* count) {
  *count = static_cast<long>(AccessibleChildren().size());
  return S_OK;
}

// The children are simple elements, not objects of their own.
STDMETHODIMP ClientAccessible::get_accChild(VARIANT child, IDispatch** out) {
  *out = nullptr;
  const Target target = TargetOf(child);
  return target.valid && target.child != nullptr ? S_FALSE : E_INVALIDARG;
}

STDMETHODIMP ClientAccessible::get_accName(VARIANT child, BSTR* name) {
  return Ask(
      child, [&](IAccessible* self) { return self->get_accName(child, name); },
      [&](const Target& target) { return Text(AccessibleName(*target.child), name); });
}

STDMETHODIMP ClientAccessible::get_accValue(VARIANT child, BSTR* value) {
  return Ask(
      child, [&](IAccessible* self) { return self->get_accValue(child, value); },
      [&](const Target&) {
        *value = nullptr;
        return DISP_E_MEMBERNOTFOUND;
      });
}

STDMETHODIMP ClientAccessible::get_accDescription(VARIANT child, BSTR* description) {
  return Ask(
      child, [&](IAccessible* self) { return self->get_accDescription(child, description); },
      // A command with a tip is described by it, as the tip shows it.
      [&](const Target& target) {
        const std::string tip = form_->CommandTip(*target.control);
        return Text(tip.empty() ? AccessibleDescription(*target.child) : tip, description);
      });
}

STDMETHODIMP ClientAccessible::get_accRole(VARIANT child, VARIANT* role) {
  return Ask(
      child, [&](IAccessible* self) { return self->get_accRole(child, role); },
      [&](const Target& target) { return Number(RoleOf(target.child->role), role); });
}

STDMETHODIMP ClientAccessible::get_accState(VARIANT child, VARIANT* state) {
  return Ask(
      child, [&](IAccessible* self) { return self->get_accState(child, state); },
      [&](const Target& target) {
        long flags = 0;
        if (target.control->focusOrder) {
          flags |= STATE_SYSTEM_FOCUSABLE;
          if (&form_->Focused() == target.control && GetFocus() == window_) {
            flags |= STATE_SYSTEM_FOCUSED;
          }
          if (!Acts(*target.control)) flags |= STATE_SYSTEM_UNAVAILABLE;
        }
        if (target.child->role == AccessibleRole::Link) flags |= STATE_SYSTEM_LINKED;
        if (target.child->role == AccessibleRole::StaticText) flags |= STATE_SYSTEM_READONLY;
        return Number(flags, state);
      });
}

STDMETHODIMP ClientAccessible::get_accHelp(VARIANT child, BSTR* help) {
  return Ask(
      child, [&](IAccessible* self) { return self->get_accHelp(child, help); },
      [&](const Target&) { return Text("", help); });
}

STDMETHODIMP ClientAccessible::get_accHelpTopic(BSTR* file, VARIANT child, long* topic) {
  return Ask(
      child, [&](IAccessible* self) { return self->get_accHelpTopic(file, child, topic); },
      [&](const Target&) {
        *file = nullptr;
        *topic = -1;
        return S_FALSE;
      });
}

STDMETHODIMP ClientAccessible::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) {
  return Ask(
      child, [&](IAccessible* self) { return self->get_accKeyboardShortcut(child, shortcut); },
      [&](const Target&) { return Text("", shortcut); });
}

STDMETHODIMP ClientAccessible::get_accFocus(VARIANT* focus) {
  if (form_ == nullptr) return RPC_E_DISCONNECTED;
  if (GetFocus() != window_) return Nothing(focus);
  return Number(AccessibleIdOf(form_->Focused()), focus);
}

STDMETHODIMP ClientAccessible::get_accSelection(VARIANT* selection) { return Nothing(selection); }

STDMETHODIMP ClientAccessible::get_accDefaultAction(VARIANT child, BSTR* action) {
  return Ask(
      child, [&](IAccessible* self) { return self->get_accDefaultAction(child, action); },
      [&](const Target& target) { return Text(DefaultAction(*target.child), action); });
}

// As a button does: taking the focus gives it to the command.
STDMETHODIMP ClientAccessible::accSelect(long flags, VARIANT child) {
  return Ask(
      child, [&](IAccessible* self) { return self->accSelect(flags, child); },
      [&](const Target& target) {
        if (flags != SELFLAG_TAKEFOCUS) return E_INVALIDARG;
        if (!form_->FocusOn(*target.control)) return DISP_E_MEMBERNOTFOUND;
        SetFocus(window_);
        InvalidateRect(window_, nullptr, FALSE);
        AnnounceFocus(window_, *target.control);
        return S_OK;
      });
}

STDMETHODIMP ClientAccessible::accLocation(long* left, long* top, long* width, long* height,
                                           VARIANT child) {
  return Ask(
      child, [&](IAccessible* self) { return self->accLocation(left, top, width, height, child); },
      [&](const Target& target) {
        const Rect box = form_->Where(*target.control);
        POINT corner{box.left, box.top};
        ClientToScreen(window_, &corner);
        *left = corner.x;
        *top = corner.y;
        *width = box.width;
        *height = box.height;
        return S_OK;
      });
}

// Reading order among the children; spatial directions are not offered.
STDMETHODIMP ClientAccessible::accNavigate(long direction, VARIANT start, VARIANT* end) {
  const auto count = static_cast<long>(AccessibleChildren().size());
  if (form_ == nullptr) return RPC_E_DISCONNECTED;
  const Target target = TargetOf(start);
  if (!target.valid) return E_INVALIDARG;
  if (target.child == nullptr) {
    if (direction == NAVDIR_FIRSTCHILD) return Number(1, end);
    if (direction == NAVDIR_LASTCHILD) return Number(count, end);
    return standard_->accNavigate(direction, start, end);
  }
  const long next = start.lVal + (direction == NAVDIR_NEXT       ? 1
                                  : direction == NAVDIR_PREVIOUS ? -1
                                                                 : 0);
  if (next == start.lVal) {
    return direction == NAVDIR_FIRSTCHILD || direction == NAVDIR_LASTCHILD ? E_INVALIDARG
                                                                           : Nothing(end);
  }
  return next >= 1 && next <= count ? Number(next, end) : Nothing(end);
}

STDMETHODIMP ClientAccessible::accHitTest(long x, long y, VARIANT* child) {
  if (form_ == nullptr) return RPC_E_DISCONNECTED;
  POINT point{x, y};
  ScreenToClient(window_, &point);
  RECT client;
  GetClientRect(window_, &client);
  if (!PtInRect(&client, point)) return standard_->accHitTest(x, y, child);
  const Control* control = form_->ControlAt(point.x, point.y);
  return Number(control != nullptr ? AccessibleIdOf(*control) : CHILDID_SELF, child);
}

// A box disables the window for mouse and keyboard alike; a reader's default
// action is held back with them, or it would run commands behind the box.
bool ClientAccessible::Acts(const Control& control) const {
  return IsWindowEnabled(window_) && form_->Available(control);
}

// Run once the reader's call has returned, as a click would run it.
STDMETHODIMP ClientAccessible::accDoDefaultAction(VARIANT child) {
  return Ask(
      child, [&](IAccessible* self) { return self->accDoDefaultAction(child); },
      [&](const Target& target) {
        if (target.child->role == AccessibleRole::StaticText) return DISP_E_MEMBERNOTFOUND;
        if (!Acts(*target.control)) return S_FALSE;
        PostMessageW(window_, kRunCommand, static_cast<WPARAM>(child.lVal), 0);
        return S_OK;
      });
}

STDMETHODIMP ClientAccessible::put_accName(VARIANT, BSTR) { return E_NOTIMPL; }
STDMETHODIMP ClientAccessible::put_accValue(VARIANT, BSTR) { return E_NOTIMPL; }

void AnnounceFocus(HWND window, const Control& control) {
  NotifyWinEvent(EVENT_OBJECT_FOCUS, window, OBJID_CLIENT, AccessibleIdOf(control));
}

void AnnounceAvailability(HWND window) {
  for (const auto& child : AccessibleChildren()) {
    const Control& control = FindControl(child.control);
    if (control.focusOrder && !frmBackup::ActsWhileCopying(control)) {
      NotifyWinEvent(EVENT_OBJECT_STATECHANGE, window, OBJID_CLIENT, AccessibleIdOf(control));
    }
  }
}

}  // namespace stowlark
