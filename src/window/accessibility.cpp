#include "accessibility.h"
#include "paint.h"

#include "../commands/commands.h"
#include "../config/command_table.h"
#include "../platform/platform.h"
#include "../state/launcher_state.h"

#include <oleacc.h>

#include <new>

namespace {

// The variant helpers live in a DLL the launcher does not import.
void SetEmpty(VARIANT *variant)
{
    variant->vt = VT_EMPTY;
}

void SetEmpty(BSTR *text)
{
    *text = nullptr;
}

void SetEmpty(IDispatch **object)
{
    *object = nullptr;
}

// The window's client object. Its children are simple elements whose ids are
// the places of the shown slots, so every call reads the table as it is now.
class ClientObject final : public IAccessible {
public:
    explicit ClientObject(HWND window) : window(window) {}

    // Once the window is gone, every call fails without looking at its state.
    void Disconnect() { window = nullptr; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void **object) override
    {
        if (!object)
            return E_POINTER;
        if (id != IID_IUnknown && id != IID_IDispatch && id != IID_IAccessible) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IAccessible *>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override
    {
        return static_cast<ULONG>(InterlockedIncrement(&references));
    }
    ULONG STDMETHODCALLTYPE Release() override
    {
        LONG left = InterlockedDecrement(&references);
        if (left == 0) {
            this->~ClientObject();
            HeapFree(GetProcessHeap(), 0, this);
        }
        return static_cast<ULONG>(left);
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *count) override
    {
        if (!count)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR *, UINT, LCID, DISPID *) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS *, VARIANT *,
                                     EXCEPINFO *, UINT *) override
    {
        return E_NOTIMPL;
    }

    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch **parent) override;
    HRESULT STDMETHODCALLTYPE get_accChildCount(long *count) override;
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch **object) override;
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR *name) override;
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR *value) override
    {
        return GiveNoText(child, value);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR *text) override
    {
        return GiveNoText(child, text);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT *role) override;
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT *state) override;
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR *text) override
    {
        return GiveNoText(child, text);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR *file, VARIANT child, long *topic) override;
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR *text) override
    {
        return GiveNoText(child, text);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT *focus) override;
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT *selection) override;
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR *action) override;
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accLocation(long *left, long *top, long *width, long *height,
                                          VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT *end) override;
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT *child) override;
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override;
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    ~ClientObject() = default;
    HRESULT FindTarget(const VARIANT &child, int *slot) const;
    // The opening of an answer about `child` into `out`: E_POINTER without a
    // place for it, else the place emptied and the slot `child` names found.
    template <typename Out> HRESULT OpenAnswer(Out *out, const VARIANT &child, int *slot) const
    {
        if (!out)
            return E_POINTER;
        SetEmpty(out);
        return FindTarget(child, slot);
    }
    HRESULT GiveNoText(const VARIANT &child, BSTR *text) const;
    int FindSlotAtScreenPoint(POINT point) const;

    LONG references = 1;
    HWND window;
};

ClientObject *clientObject;
int comEntered;   // COM was initialised on the window's thread and must be left
int windowClosed; // the window is going: no reader gets an object of it again

void SetChildId(VARIANT *variant, long id)
{
    variant->vt = VT_I4;
    variant->lVal = id;
}

HRESULT GiveText(const wchar_t *text, BSTR *out)
{
    if (!text[0]) {
        *out = nullptr;
        return S_FALSE;
    }
    *out = os.SysAllocString(text);
    return *out ? S_OK : E_OUTOFMEMORY;
}

// `rect`, given in client coordinates, as the screen has it: left, top, width and height.
void GiveScreenRect(HWND window, RECT rect, long *left, long *top, long *width, long *height)
{
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT *>(&rect), 2);
    *left = rect.left;
    *top = rect.top;
    *width = rect.right - rect.left;
    *height = rect.bottom - rect.top;
}

HRESULT ClientObject::FindTarget(const VARIANT &child, int *slot) const
{
    if (!window)
        return RPC_E_DISCONNECTED;
    if (child.vt != VT_I4)
        return E_INVALIDARG;
    if (child.lVal == CHILDID_SELF) {
        *slot = -1;
        return S_OK;
    }
    *slot = FindShownSlot(child.lVal);
    return *slot < 0 ? E_INVALIDARG : S_OK;
}

HRESULT ClientObject::GiveNoText(const VARIANT &child, BSTR *text) const
{
    int slot;
    HRESULT found = OpenAnswer(text, child, &slot);
    return FAILED(found) ? found : S_FALSE;
}

// The first shown slot in index order under the screen point; -1 when none.
int ClientObject::FindSlotAtScreenPoint(POINT point) const
{
    ScreenToClient(window, &point);
    for (int i = 0; i < SLOT_COUNT; i++) {
        if (CommandTable[i].defined && (PtInRect(&CommandTable[i].labelRect, point) ||
                                        PtInRect(&CommandTable[i].buttonRect, point)))
            return i;
    }
    return -1;
}

HRESULT ClientObject::get_accParent(IDispatch **parent)
{
    if (!parent)
        return E_POINTER;
    *parent = nullptr;
    if (!window)
        return RPC_E_DISCONNECTED;
    return os.AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_WINDOW), IID_IDispatch,
                                         reinterpret_cast<void **>(parent));
}

HRESULT ClientObject::get_accChildCount(long *count)
{
    if (!count)
        return E_POINTER;
    if (!window)
        return RPC_E_DISCONNECTED;
    *count = CountShownSlots();
    return S_OK;
}

HRESULT ClientObject::get_accChild(VARIANT child, IDispatch **object)
{
    int slot;
    HRESULT found = OpenAnswer(object, child, &slot);
    // The children are simple elements, not objects of their own.
    return FAILED(found) ? found : S_FALSE;
}

HRESULT ClientObject::get_accName(VARIANT child, BSTR *name)
{
    int slot;
    HRESULT found = OpenAnswer(name, child, &slot);
    if (FAILED(found))
        return found;
    if (slot < 0)
        return GiveText(launcher.caption, name);
    wchar_t spoken[TEXT_CAPACITY];
    MakeSpokenLabel(CommandTable[slot].label, spoken);
    return GiveText(spoken, name);
}

HRESULT ClientObject::get_accRole(VARIANT child, VARIANT *role)
{
    int slot;
    HRESULT found = OpenAnswer(role, child, &slot);
    if (FAILED(found))
        return found;
    SetChildId(role, slot < 0 ? ROLE_SYSTEM_CLIENT : ROLE_SYSTEM_PUSHBUTTON);
    return S_OK;
}

HRESULT ClientObject::get_accState(VARIANT child, VARIANT *state)
{
    int slot;
    HRESULT found = OpenAnswer(state, child, &slot);
    if (FAILED(found))
        return found;
    int focused = GetFocus() == window;
    int hotShown = FindShownPlace(launcher.hotIndex) != 0;
    long flags = STATE_SYSTEM_FOCUSABLE;
    if (slot < 0) {
        if (focused && !hotShown)
            flags |= STATE_SYSTEM_FOCUSED;
    } else {
        if (focused && slot == launcher.hotIndex)
            flags |= STATE_SYSTEM_FOCUSED;
        POINT pointer;
        if (GetCursorPos(&pointer) && WindowFromPoint(pointer) == window &&
            FindSlotAtScreenPoint(pointer) == slot)
            flags |= STATE_SYSTEM_HOTTRACKED;
    }
    SetChildId(state, flags);
    return S_OK;
}

HRESULT ClientObject::get_accHelpTopic(BSTR *file, VARIANT child, long *topic)
{
    if (!file || !topic)
        return E_POINTER;
    *topic = 0;
    return GiveNoText(child, file);
}

HRESULT ClientObject::get_accFocus(VARIANT *focus)
{
    if (!focus)
        return E_POINTER;
    SetEmpty(focus);
    if (!window)
        return RPC_E_DISCONNECTED;
    if (GetFocus() != window)
        return S_FALSE;
    SetChildId(focus, FindShownPlace(launcher.hotIndex)); // CHILDID_SELF without a shown hot slot
    return S_OK;
}

HRESULT ClientObject::get_accSelection(VARIANT *selection)
{
    if (!selection)
        return E_POINTER;
    SetEmpty(selection);
    return window ? S_FALSE : RPC_E_DISCONNECTED;
}

HRESULT ClientObject::get_accDefaultAction(VARIANT child, BSTR *action)
{
    int slot;
    HRESULT found = OpenAnswer(action, child, &slot);
    if (FAILED(found))
        return found;
    return slot < 0 ? S_FALSE : GiveText(L"Press", action);
}

HRESULT ClientObject::accSelect(long, VARIANT child)
{
    int slot;
    HRESULT found = FindTarget(child, &slot);
    return FAILED(found) ? found : DISP_E_MEMBERNOTFOUND;
}

HRESULT ClientObject::accLocation(long *left, long *top, long *width, long *height, VARIANT child)
{
    if (!left || !top || !width || !height)
        return E_POINTER;
    int slot;
    HRESULT found = FindTarget(child, &slot);
    if (FAILED(found))
        return found;
    RECT rect;
    if (slot < 0)
        GetClientRect(window, &rect);
    else
        GetSlotBounds(slot, &rect);
    GiveScreenRect(window, rect, left, top, width, height);
    return S_OK;
}

HRESULT ClientObject::accNavigate(long direction, VARIANT start, VARIANT *end)
{
    int slot;
    HRESULT found = OpenAnswer(end, start, &slot);
    if (FAILED(found))
        return found;
    int count = CountShownSlots();
    int place = 0;
    switch (direction) {
    case NAVDIR_FIRSTCHILD:
        place = slot < 0 ? 1 : 0;
        break;
    case NAVDIR_LASTCHILD:
        place = slot < 0 ? count : 0;
        break;
    case NAVDIR_NEXT:
        place = slot < 0 ? 0 : FindShownPlace(slot) + 1;
        break;
    case NAVDIR_PREVIOUS:
        place = slot < 0 ? 0 : FindShownPlace(slot) - 1;
        break;
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
    if (place < 1 || place > count)
        return S_FALSE;
    SetChildId(end, place);
    return S_OK;
}

HRESULT ClientObject::accHitTest(long x, long y, VARIANT *child)
{
    if (!child)
        return E_POINTER;
    SetEmpty(child);
    if (!window)
        return RPC_E_DISCONNECTED;
    POINT point = {x, y};
    POINT inside = point;
    RECT client;
    GetClientRect(window, &client);
    ScreenToClient(window, &inside);
    if (!PtInRect(&client, inside))
        return S_FALSE;
    SetChildId(child, FindShownPlace(FindSlotAtScreenPoint(point)));
    return S_OK;
}

HRESULT ClientObject::accDoDefaultAction(VARIANT child)
{
    int slot;
    HRESULT found = FindTarget(child, &slot);
    if (FAILED(found))
        return found;
    if (slot < 0)
        return DISP_E_MEMBERNOTFOUND;
    // The caller may be another process waiting on this thread: the press runs
    // after the answer, from the window's queue.
    return os.PostMessageW(window, LM_PRESS_SLOT, slot, 0) ? S_OK : E_FAIL;
}

} // namespace

LRESULT HandleGetObject(HWND window, WPARAM wParam, LPARAM lParam)
{
    // The object id is 32 bits, however the message widened it.
    // A reader that asks while the window is going gets the default answer,
    // which makes no second object and does not enter COM again.
    if (static_cast<DWORD>(lParam) != static_cast<DWORD>(OBJID_CLIENT) || windowClosed)
        return DefWindowProcW(window, WM_GETOBJECT, wParam, lParam);
    if (!clientObject) {
        comEntered = SUCCEEDED(os.CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        // The process heap, not the C++ runtime's, whose allocator would
        // bring exception handling into the program.
        void *memory = HeapAlloc(GetProcessHeap(), 0, sizeof(ClientObject));
        clientObject = memory ? new (memory) ClientObject(window) : nullptr;
        if (!clientObject)
            return DefWindowProcW(window, WM_GETOBJECT, wParam, lParam);
    }
    LRESULT answer = os.LresultFromObject(IID_IAccessible, wParam, clientObject);
    // Without oleacc the default client object still names the window.
    return answer < 0 ? DefWindowProcW(window, WM_GETOBJECT, wParam, lParam) : answer;
}

void HandlePressSlot(HWND window, WPARAM slot)
{
    // A reload may have come since the press; and while a box of the
    // launcher's own is up, the window takes no Enter either.
    if (slot < SLOT_COUNT && CommandTable[slot].defined && IsWindowEnabled(window))
        ExecuteCommand(window, static_cast<int>(slot));
}

void NotifySlotFocus(HWND window, int index)
{
    int place = FindShownPlace(index);
    if (place)
        os.NotifyWinEvent(EVENT_OBJECT_FOCUS, window, OBJID_CLIENT, place);
}

void NotifySlotsReloaded(HWND window)
{
    os.NotifyWinEvent(EVENT_OBJECT_REORDER, window, OBJID_CLIENT, CHILDID_SELF);
}

void NotifySlotsMoved(HWND window)
{
    int count = CountShownSlots();
    for (int place = 1; place <= count; place++)
        os.NotifyWinEvent(EVENT_OBJECT_LOCATIONCHANGE, window, OBJID_CLIENT, place);
}

void ReleaseAccessibility()
{
    windowClosed = 1;
    if (clientObject) {
        clientObject->Disconnect();
        os.CoDisconnectObject(clientObject, 0);
        clientObject->Release();
        clientObject = nullptr;
    }
}

void LeaveAccessibility()
{
    if (comEntered)
        os.CoUninitialize();
    comEntered = 0;
    windowClosed = 0;
}
