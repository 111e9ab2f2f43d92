#include "ui/win32/accessibility.h"

#include <commctrl.h>
#include <oleacc.h>

#include <atomic>
#include <memory>

#include "platform/win32/unique_handles.h"

namespace nivaro::win32 {
namespace {

// UI Automation's LiveSetting property, which the headers of this tool chain do not carry; and the
// property service's class and interface, named here rather than taken from two import libraries
// that both define them.
constexpr GUID kLiveSettingProperty = {0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};
constexpr GUID kAccPropServicesClass = {0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
constexpr GUID kAccPropServicesInterface = {0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
constexpr long kPoliteLiveSetting = 1;

constexpr UINT_PTR kNamingSubclass = 1;

// The system's accessible object for a control, with a name of our own. Every other question goes
// to the system's object unchanged.
class NamedAccessible final : public IAccessible {
public:
    NamedAccessible(ComPtr<IAccessible> inner, std::wstring name) : inner_(std::move(inner)), name_(std::move(name)) {}
    NamedAccessible(const NamedAccessible&) = delete;
    NamedAccessible& operator=(const NamedAccessible&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override
    {
        if (object == nullptr) {
            return E_POINTER;
        }
        if (id == __uuidof(IUnknown) || id == __uuidof(IDispatch) || id == __uuidof(IAccessible)) {
            *object = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --references_;
        if (left == 0) {
            delete this;
        }
        return left;
    }

    // The name, for the control itself.
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override
    {
        if (name == nullptr) {
            return E_POINTER;
        }
        if (child.vt == VT_I4 && child.lVal == CHILDID_SELF) {
            *name = ::SysAllocStringLen(name_.data(), static_cast<UINT>(name_.size()));
            return *name != nullptr ? S_OK : E_OUTOFMEMORY;
        }
        return inner_->get_accName(child, name);
    }

    // IDispatch and the rest of IAccessible, as the system's object answers them.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return inner_->GetTypeInfoCount(count); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override
    {
        return inner_->GetTypeInfo(index, locale, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID id, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override
    {
        return inner_->GetIDsOfNames(id, names, count, locale, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID id, LCID locale, WORD flags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argument) override
    {
        return inner_->Invoke(member, id, locale, flags, parameters, result, exception, argument);
    }
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override { return inner_->get_accParent(parent); }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override { return inner_->get_accChildCount(count); }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override
    {
        return inner_->get_accChild(child, object);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override { return inner_->get_accValue(child, value); }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override
    {
        return inner_->get_accDescription(child, text);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override { return inner_->get_accRole(child, role); }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override
    {
        return inner_->get_accState(child, state);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override { return inner_->get_accHelp(child, help); }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override
    {
        return inner_->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override
    {
        return inner_->get_accKeyboardShortcut(child, shortcut);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override { return inner_->get_accFocus(child); }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override { return inner_->get_accSelection(children); }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override
    {
        return inner_->get_accDefaultAction(child, action);
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override { return inner_->accSelect(flags, child); }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override
    {
        return inner_->accLocation(left, top, width, height, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override
    {
        return inner_->accNavigate(direction, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override { return inner_->accHitTest(x, y, child); }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override { return inner_->accDoDefaultAction(child); }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override { return inner_->put_accName(child, name); }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override
    {
        return inner_->put_accValue(child, value);
    }

private:
    ~NamedAccessible() = default;

    std::atomic<ULONG> references_ = 1;
    ComPtr<IAccessible> inner_;
    std::wstring name_;
};

using NameSource = std::function<std::wstring()>;

LRESULT CALLBACK NamingProc(HWND control, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR data)
{
    auto* source = reinterpret_cast<NameSource*>(data);
    if (message == WM_GETOBJECT && static_cast<LONG>(lparam) == OBJID_CLIENT) {
        ComPtr<IAccessible> standard;
        if (SUCCEEDED(::CreateStdAccessibleObject(control, OBJID_CLIENT, __uuidof(IAccessible), standard.put_void()))) {
            // The object is made with one reference, handed over to the result, and dropped here.
            auto* named = new NamedAccessible(std::move(standard), (*source)());
            const LRESULT result = ::LresultFromObject(__uuidof(IAccessible), wparam, named);
            named->Release();
            return result;
        }
    }
    if (message == WM_NCDESTROY) {
        ::RemoveWindowSubclass(control, NamingProc, kNamingSubclass);
        const std::unique_ptr<NameSource> owned(source);
    }
    return ::DefSubclassProc(control, message, wparam, lparam);
}

}  // namespace

void NameForAssistiveTechnology(HWND control, std::function<std::wstring()> name)
{
    auto source = std::make_unique<NameSource>(std::move(name));
    if (::SetWindowSubclass(control, NamingProc, kNamingSubclass, reinterpret_cast<DWORD_PTR>(source.get()))) {
        (void)source.release();  // the subclass owns it now, and frees it with the control
    }
}

void MarkAsLiveRegion(HWND control)
{
    ComPtr<IAccPropServices> properties;
    if (FAILED(::CoCreateInstance(kAccPropServicesClass, nullptr, CLSCTX_INPROC_SERVER, kAccPropServicesInterface,
                                  properties.put_void()))) {
        return;
    }
    VARIANT polite{};
    polite.vt = VT_I4;
    polite.lVal = kPoliteLiveSetting;
    // Not every system keeps such properties (Wine does not); the change is announced all the same.
    (void)properties->SetHwndProp(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, kLiveSettingProperty, polite);
}

void AnnounceChange(HWND control)
{
    ::NotifyWinEvent(EVENT_OBJECT_LIVEREGIONCHANGED, control, OBJID_CLIENT, CHILDID_SELF);
}

}  // namespace nivaro::win32
