#include "win/accessible.h"

#include <oleacc.h>

#include <string>

#include "win/system_dll.h"
#include "win/text.h"

namespace win {

namespace {

// What a screen reader gets when it asks a control that has gone.
constexpr HRESULT kGone = RPC_E_DISCONNECTED;

bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

}  // namespace

// The thread's COM apartment, which carries the screen reader's calls, and the libraries the
// object needs; they live as long as the object does. Declared in the order they must be made
// and, backwards, let go.
struct AccessibleControl::Libraries {
    ComApartment apartment = EnterApartment(Ole32Library());
    Oleacc oleacc;
    OleAut32 oleaut32;
};

// The accessible object: IAccessible over one control. Called only on the control's thread (the
// UI thread's apartment receives the screen reader's calls), so it needs no lock.
class AccessibleControl::Object final : public IAccessible {
public:
    Object(HWND control, AccessibleRole role, UINT actionMessage, std::shared_ptr<const Libraries> libraries)
        : control_(control), role_(role), actionMessage_(actionMessage), libraries_(std::move(libraries)) {
        IAccessible* standard = nullptr;
        if (libraries_->oleacc.CreateStdAccessibleObject &&
            SUCCEEDED(libraries_->oleacc.CreateStdAccessibleObject(control, OBJID_CLIENT, __uuidof(IAccessible),
                                                                   reinterpret_cast<void**>(&standard)))) {
            standard_.reset(standard);
        }
    }

    // The control has gone: every question from now on is answered with kGone.
    void Disconnect() {
        control_ = nullptr;
        standard_.reset();
    }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(IAccessible)) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    // IDispatch: screen readers call IAccessible directly; there is no type information to give.
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    // IAccessible
    STDMETHODIMP get_accParent(IDispatch** parent) override {
        if (!parent) return E_POINTER;
        *parent = nullptr;
        if (!control_) return kGone;
        return standard_ ? standard_.get()->get_accParent(parent) : S_FALSE;
    }
    STDMETHODIMP get_accChildCount(long* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return control_ ? S_OK : kGone;
    }
    STDMETHODIMP get_accChild(VARIANT, IDispatch** child) override {
        if (!child) return E_POINTER;
        *child = nullptr;
        return control_ ? E_INVALIDARG : kGone;
    }
    STDMETHODIMP get_accName(VARIANT child, BSTR* name) override {
        return Text(child, name, [this] { return WindowText(control_); });
    }
    STDMETHODIMP get_accValue(VARIANT child, BSTR* value) override { return None(child, value); }
    STDMETHODIMP get_accDescription(VARIANT child, BSTR* text) override { return None(child, text); }
    STDMETHODIMP get_accRole(VARIANT child, VARIANT* role) override {
        if (!role) return E_POINTER;
        role->vt = VT_EMPTY;
        if (const HRESULT hr = Check(child); hr != S_OK) return hr;
        role->vt = VT_I4;
        role->lVal = role_.role;
        return S_OK;
    }
    STDMETHODIMP get_accState(VARIANT child, VARIANT* state) override {
        if (!state) return E_POINTER;
        state->vt = VT_EMPTY;
        if (const HRESULT hr = Check(child); hr != S_OK) return hr;
        long states = role_.states;
        const LONG_PTR style = GetWindowLongPtrW(control_, GWL_STYLE);
        if (style & WS_TABSTOP) states |= STATE_SYSTEM_FOCUSABLE;
        if (GetFocus() == control_) states |= STATE_SYSTEM_FOCUSED;
        if (!IsWindowEnabled(control_)) states |= STATE_SYSTEM_UNAVAILABLE;
        if (!IsWindowVisible(control_)) states |= STATE_SYSTEM_INVISIBLE;
        state->vt = VT_I4;
        state->lVal = states;
        return S_OK;
    }
    STDMETHODIMP get_accHelp(VARIANT child, BSTR* help) override { return None(child, help); }
    STDMETHODIMP get_accHelpTopic(BSTR* file, VARIANT, long* topic) override {
        if (file) *file = nullptr;
        if (topic) *topic = 0;
        return control_ ? DISP_E_MEMBERNOTFOUND : kGone;
    }
    STDMETHODIMP get_accKeyboardShortcut(VARIANT child, BSTR* keys) override { return None(child, keys); }
    STDMETHODIMP get_accFocus(VARIANT* focus) override {
        if (!focus) return E_POINTER;
        focus->vt = VT_EMPTY;
        if (!control_) return kGone;
        if (GetFocus() != control_) return S_FALSE;
        focus->vt = VT_I4;
        focus->lVal = CHILDID_SELF;
        return S_OK;
    }
    STDMETHODIMP get_accSelection(VARIANT* selection) override {
        if (!selection) return E_POINTER;
        selection->vt = VT_EMPTY;
        return control_ ? S_FALSE : kGone;
    }
    STDMETHODIMP get_accDefaultAction(VARIANT child, BSTR* action) override {
        if (!role_.defaultAction) return None(child, action);
        return Text(child, action, [this] { return std::wstring(role_.defaultAction); });
    }
    STDMETHODIMP accSelect(long flags, VARIANT child) override {
        if (const HRESULT hr = Check(child); hr != S_OK) return hr;
        if (flags != SELFLAG_TAKEFOCUS) return DISP_E_MEMBERNOTFOUND;
        SetFocus(control_);
        return S_OK;
    }
    STDMETHODIMP accLocation(long* left, long* top, long* width, long* height, VARIANT child) override {
        if (!left || !top || !width || !height) return E_POINTER;
        *left = *top = *width = *height = 0;
        if (const HRESULT hr = Check(child); hr != S_OK) return hr;
        RECT r{};
        GetClientRect(control_, &r);
        MapWindowPoints(control_, nullptr, reinterpret_cast<POINT*>(&r), 2);
        *left = r.left;
        *top = r.top;
        *width = r.right - r.left;
        *height = r.bottom - r.top;
        return S_OK;
    }
    STDMETHODIMP accNavigate(long direction, VARIANT start, VARIANT* end) override {
        if (!end) return E_POINTER;
        end->vt = VT_EMPTY;
        if (!control_) return kGone;
        return standard_ ? standard_.get()->accNavigate(direction, start, end) : S_FALSE;
    }
    STDMETHODIMP accHitTest(long x, long y, VARIANT* hit) override {
        if (!hit) return E_POINTER;
        hit->vt = VT_EMPTY;
        if (!control_) return kGone;
        RECT r{};
        GetClientRect(control_, &r);
        MapWindowPoints(control_, nullptr, reinterpret_cast<POINT*>(&r), 2);
        if (!PtInRect(&r, POINT{x, y})) return S_FALSE;
        hit->vt = VT_I4;
        hit->lVal = CHILDID_SELF;
        return S_OK;
    }
    STDMETHODIMP accDoDefaultAction(VARIANT child) override {
        if (const HRESULT hr = Check(child); hr != S_OK) return hr;
        if (!role_.defaultAction) return DISP_E_MEMBERNOTFOUND;
        return PostMessageW(control_, actionMessage_, 0, 0) ? S_OK : HRESULT_FROM_WIN32(GetLastError());
    }
    STDMETHODIMP put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    STDMETHODIMP put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    ~Object() = default;

    // S_OK for a question about the control itself while it exists.
    HRESULT Check(const VARIANT& child) const {
        if (!control_) return kGone;
        return IsSelf(child) ? S_OK : E_INVALIDARG;
    }
    // A property the control does not have.
    HRESULT None(const VARIANT& child, BSTR* out) const {
        if (!out) return E_POINTER;
        *out = nullptr;
        const HRESULT hr = Check(child);
        return hr == S_OK ? DISP_E_MEMBERNOTFOUND : hr;
    }
    template <class Make>
    HRESULT Text(const VARIANT& child, BSTR* out, Make make) const {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (const HRESULT hr = Check(child); hr != S_OK) return hr;
        UniqueBstr text = SysAllocString(libraries_->oleaut32, make());
        if (!text) return E_OUTOFMEMORY;
        *out = text.release();
        return S_OK;
    }

    HWND control_;
    const AccessibleRole role_;
    const UINT actionMessage_;
    const std::shared_ptr<const Libraries> libraries_;
    ComPtr<IAccessible> standard_;  // the system's object for the control, for parent and navigation
    ULONG references_ = 1;
};

AccessibleControl::AccessibleControl(HWND control, AccessibleRole role, UINT actionMessage)
    : control_(control), role_(role), actionMessage_(actionMessage) {}

AccessibleControl::~AccessibleControl() {
    if (!object_) return;
    object_.get()->Disconnect();
    // Screen readers that still hold the object hear that it has gone, and let go of it.
    if (Ole32Library().CoDisconnectObject) Ole32Library().CoDisconnectObject(object_.get(), 0);
}

bool AccessibleControl::Answer(WPARAM wp, LPARAM lp, LRESULT& result) {
    // The object id travels as a 32-bit value.
    if (static_cast<DWORD>(lp) != static_cast<DWORD>(OBJID_CLIENT)) return false;
    if (!libraries_) libraries_ = std::make_shared<const Libraries>();
    if (!libraries_->apartment || !libraries_->oleacc.LresultFromObject || !libraries_->oleaut32.Loaded()) {
        return false;
    }
    if (!object_) object_.reset(new Object(control_, role_, actionMessage_, libraries_));
    result = libraries_->oleacc.LresultFromObject(__uuidof(IAccessible), wp, object_.get());
    return true;
}

}  // namespace win
