#pragma once

#include <windows.h>
// after windows.h, which it needs
#include <oleacc.h>

#include "app/frmBackup.h"
#include "platform/win32/Com.h"

namespace stowlark {

// Posted to the window to run a command a screen reader asked for, as a
// click would, once the reader's call has returned.
inline constexpr UINT kRunCommand = WM_APP + 2;

// The window's client area as screen readers see it (Microsoft Active
// Accessibility): its commands and visible texts as simple children, known
// by their place in AccessibleChildren(). Everything else about the window
// itself comes from the system's own object for it.
class ClientAccessible : public IAccessible {
 public:
  ClientAccessible(HWND window, frmBackup& form, win32::ComPtr<IAccessible> standard);
  // Once the window is gone, every question is answered as of a gone one.
  void Detach() { form_ = nullptr; }

  // The answer to WM_GETOBJECT for OBJID_CLIENT, the object made on first use.
  static LRESULT Answer(HWND window, frmBackup& form, win32::ComPtr<ClientAccessible>& object,
                        WPARAM wParam);

  STDMETHODIMP QueryInterface(REFIID id, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override;
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                      UINT*) override;
  STDMETHODIMP get_accParent(IDispatch** parent) override;
  STDMETHODIMP get_accChildCount(long* count) override;
  STDMETHODIMP get_accChild(VARIANT child, IDispatch** out) override;
  STDMETHODIMP get_accName(VARIANT child, BSTR* name) override;
  STDMETHODIMP get_accValue(VARIANT child, BSTR* value) override;
  STDMETHODIMP get_accDescription(VARIANT child, BSTR* description) override;
  STDMETHODIMP get_accRole(VARIANT child, VARIANT* role) override;
  STDMETHODIMP get_accState(VARIANT child, VARIANT* state) override;
  STDMETHODIMP get_accHelp(VARIANT child, BSTR* help) override;
  STDMETHODIMP get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override;
  STDMETHODIMP get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override;
  STDMETHODIMP get_accFocus(VARIANT* focus) override;
  STDMETHODIMP get_accSelection(VARIANT* selection) override;
  STDMETHODIMP get_accDefaultAction(VARIANT child, BSTR* action) override;
  STDMETHODIMP accSelect(long flags, VARIANT child) override;
  STDMETHODIMP accLocation(long* left, long* top, long* width, long* height,
                           VARIANT child) override;
  STDMETHODIMP accNavigate(long direction, VARIANT start, VARIANT* end) override;
  STDMETHODIMP accHitTest(long x, long y, VARIANT* child) override;
  STDMETHODIMP accDoDefaultAction(VARIANT child) override;
  STDMETHODIMP put_accName(VARIANT child, BSTR name) override;
  STDMETHODIMP put_accValue(VARIANT child, BSTR value) override;

 private:
  virtual ~ClientAccessible() = default;
  template <typename Self, typename Child>
  HRESULT Ask(const VARIANT& variant, Self self, Child child);
  bool Acts(const Control& control) const;

  HWND window_;
  frmBackup* form_;
  win32::ComPtr<IAccessible> standard_;
  ULONG references_ = 1;
};

// Tells screen readers that the focus moved to `control`.
void AnnounceFocus(HWND window, const Control& control);
// Tells screen readers that the commands a copy holds back became available
// or not.
void AnnounceAvailability(HWND window);

}  // namespace stowlark
