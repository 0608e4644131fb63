// The real launcher as a screen reader sees it from a process of its own: the
// client object and its children through oleacc, focus events through a hook
// out of context, and buttons pressed through their default action.
#include "e2e_support.h"

#include <gtest/gtest.h>

#include <oleacc.h>

#include <algorithm>
#include <iterator>

namespace {

const COLORREF NORMAL = RGB(0, 160, 0);

// cmd01 and cmd03 start the recording program, cmd02 ends the launcher;
// cmd03 has a picture and no label.
const RECT BUTTONS[] = {{40, 40, 140, 80}, {40, 120, 140, 160}, {40, 200, 140, 240}};
const POINT EXIT_LABEL = {150, 130};

std::wstring Configuration()
{
    return L"[Setup]\r\nDefaultLang=English\r\nBkgColor=0,0,96\r\nLoColor=255,255,255\r\n"
           L"[SetupStr_English]\r\nTitle=Product Setup\r\ncmd01=Read\\nme,150,60\r\n"
           L"cmd02=Exit,150,130\r\n"
           L"[Setup_CommandDefines]\r\ncmd01=CMD_EXE,recorder.exe,readme\r\ncmd02=CMD_EXIT\r\n"
           L"cmd03=CMD_EXE,recorder.exe,third\r\n"
           L"[SetupBtn_English]\r\ncmd01=b.bmp,bh.bmp,40,40,100,40\r\n"
           L"cmd02=b.bmp,bh.bmp,40,120,100,40\r\ncmd03=b.bmp,bh.bmp,40,200,100,40\r\n";
}

VARIANT Child(long id)
{
    VARIANT child;
    VariantInit(&child);
    child.vt = VT_I4;
    child.lVal = id;
    return child;
}

std::wstring NameOf(IAccessible *object, const VARIANT &child)
{
    BSTR name = nullptr;
    HRESULT result = object->get_accName(child, &name);
    std::wstring text = FAILED(result) ? L"(failed)" : name ? name : L"(none)";
    SysFreeString(name);
    return text;
}

long StateOf(IAccessible *object, long child)
{
    VARIANT state;
    VariantInit(&state);
    return SUCCEEDED(object->get_accState(Child(child), &state)) && state.vt == VT_I4 ? state.lVal
                                                                                      : -1;
}

void PumpFor(
    DWORD milliseconds, const std::function<bool()> &done = [] { return false; })
{
    DWORD start = GetTickCount();
    while (!done() && GetTickCount() - start < milliseconds) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

struct FocusEvent {
    LONG child;
    std::wstring name;
};
std::vector<FocusEvent> focusEvents;

// Resolves the event's object at once, as a screen reader does to speak it.
void CALLBACK RecordFocus(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD, DWORD)
{
    IAccessible *source = nullptr;
    VARIANT which;
    VariantInit(&which);
    std::wstring name = L"(unresolved)";
    if (SUCCEEDED(AccessibleObjectFromEvent(window, object, child, &source, &which)) && source) {
        name = NameOf(source, which);
        source->Release();
    }
    focusEvents.push_back({child, name});
}

class ScreenReader : public ::testing::Test {
protected:
    void SetUp() override
    {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
        record = log.File(L"record.txt");
        disc = PrepareDisc(L"A11YDISC");
        WriteBitmapFile(disc.Path(L"b.bmp"), 100, 40, [](int, int) { return NORMAL; });
        WriteBitmapFile(disc.Path(L"bh.bmp"), 100, 40, [](int, int) { return RGB(0, 0, 230); });
        CopyBuildFile(L"tools\\recorder.exe", disc.Path(L"recorder.exe"));
        WriteTextFile(disc.Path(L"AUTORUN.INI"), Configuration());
        StartLauncher();
    }

    void StartLauncher()
    {
        process = Launch(disc.Path(L"AUTORUN.EXE"), {{L"AUTORUN_RECORD", record}});
        window = WaitForWindow(L"KT.SetupLauncher", process.Id());
        if (window && !WaitForPixel(window, 90, 220, NORMAL))
            ADD_FAILURE() << "the last button was never painted";
    }

    void TearDown() override
    {
        if (client)
            client->Release();
        EndAllLaunchers();
        CoUninitialize();
    }

    IAccessible *Client()
    {
        if (!client)
            AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                       reinterpret_cast<void **>(&client));
        return client;
    }

    // The configured rectangle of a slot in screen coordinates.
    RECT OnScreen(RECT rect)
    {
        MapWindowPoints(window, nullptr, reinterpret_cast<POINT *>(&rect), 2);
        return rect;
    }

    RECT LocationOf(long child)
    {
        long x = 0, y = 0, cx = 0, cy = 0;
        EXPECT_EQ(S_OK, Client()->accLocation(&x, &y, &cx, &cy, Child(child)));
        return RECT{x, y, x + cx, y + cy};
    }

    TempDir log;
    std::wstring record;
    Disc disc;
    Process process;
    HWND window = nullptr;
    IAccessible *client = nullptr;
};

TEST_F(ScreenReader, FindsTheButtonsWithTheirNamesRolesStatesAndPlaces)
{
    ASSERT_TRUE(window);
    ASSERT_TRUE(Client());
    EXPECT_EQ(L"Product Setup", NameOf(client, Child(CHILDID_SELF)));
    long count = 0;
    EXPECT_EQ(S_OK, client->get_accChildCount(&count));
    ASSERT_EQ(3, count);
    VARIANT children[3];
    LONG got = 0;
    EXPECT_EQ(S_OK, AccessibleChildren(client, 0, 3, children, &got));
    ASSERT_EQ(3, got);
    const wchar_t *names[] = {L"Read me", L"Exit", L"(none)"};
    for (long i = 0; i < 3; i++) {
        EXPECT_EQ(VT_I4, children[i].vt);
        EXPECT_EQ(i + 1, children[i].lVal);
        EXPECT_EQ(names[i], NameOf(client, children[i]));
        VARIANT role;
        VariantInit(&role);
        EXPECT_EQ(S_OK, client->get_accRole(children[i], &role));
        EXPECT_EQ(ROLE_SYSTEM_PUSHBUTTON, role.lVal);
        EXPECT_EQ(STATE_SYSTEM_FOCUSABLE, StateOf(client, i + 1)) << i;
    }

    // A picture alone is its button; a label beside it widens the place to both.
    RECT third = LocationOf(3), expected = OnScreen(BUTTONS[2]);
    EXPECT_TRUE(EqualRect(&expected, &third));
    HDC dc = GetDC(window);
    SIZE exit;
    GetTextExtentPoint32W(dc, L"Exit", 4, &exit);
    ReleaseDC(window, dc);
    RECT label = {EXIT_LABEL.x, EXIT_LABEL.y, EXIT_LABEL.x + exit.cx, EXIT_LABEL.y + exit.cy};
    UnionRect(&expected, &BUTTONS[1], &label);
    expected = OnScreen(expected);
    RECT second = LocationOf(2);
    EXPECT_TRUE(EqualRect(&expected, &second));

    SendKeys(window, {VK_TAB});
    EXPECT_TRUE(WaitFor([&] { return StateOf(client, 1) & STATE_SYSTEM_FOCUSED; }));
    EXPECT_EQ(STATE_SYSTEM_FOCUSABLE, StateOf(client, 2));
    MovePointerTo(window, 90, 220);
    EXPECT_TRUE(WaitFor([&] { return StateOf(client, 3) & STATE_SYSTEM_HOTTRACKED; }));
    EXPECT_FALSE(StateOf(client, 1) & STATE_SYSTEM_HOTTRACKED);
}

TEST_F(ScreenReader, HookHearsOneFocusEventForEachKeyMoveNamingTheHotChild)
{
    ASSERT_TRUE(window);
    SendKeys(window, {});
    PumpFor(300);
    focusEvents.clear();
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, nullptr,
                                         RecordFocus, process.Id(), 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_TRUE(hook);
    const struct {
        WORD key;
        LONG child;
        const wchar_t *name;
    } moves[] = {{VK_DOWN, 1, L"Read me"},
                 {VK_DOWN, 2, L"Exit"},
                 {VK_DOWN, 3, L"(none)"},
                 {VK_TAB, 1, L"Read me"},
                 {VK_UP, 3, L"(none)"}};
    size_t heard = 0;
    for (const auto &move : moves) {
        SendKeys(window, {move.key});
        PumpFor(5000, [&] { return focusEvents.size() > heard; });
        ASSERT_EQ(++heard, focusEvents.size()) << "no event for move to " << move.child;
        EXPECT_EQ(move.child, focusEvents.back().child);
        EXPECT_EQ(move.name, focusEvents.back().name);
    }
    PumpFor(500);
    EXPECT_EQ(heard, focusEvents.size()) << "one event a move";
    UnhookWinEvent(hook);
}

TEST_F(ScreenReader, DefaultActionStartsTheProgramOnceAndExitEndsTheLauncher)
{
    ASSERT_TRUE(window);
    ASSERT_TRUE(Client());
    BSTR action = nullptr;
    EXPECT_EQ(S_OK, client->get_accDefaultAction(Child(1), &action));
    EXPECT_STREQ(L"Press", action);
    SysFreeString(action);

    EXPECT_EQ(S_OK, client->accDoDefaultAction(Child(1)));
    EXPECT_TRUE(WaitFor([&] { return !ReadRecord(record).empty(); }));
    Sleep(500);
    std::vector<std::string> started = ReadRecord(record);
    ASSERT_EQ(1u, started.size());
    EXPECT_NE(std::string::npos, started[0].find("readme"));

    EXPECT_EQ(S_OK, client->accDoDefaultAction(Child(2)));
    EXPECT_EQ(0u, process.WaitExit());
    long count = 0;
    EXPECT_TRUE(FAILED(client->get_accChildCount(&count))) << "the launcher has gone";
}

// What a screen reader does once it has pressed Exit.
enum class AfterPress { ReleasesAtOnce, KeepsAsking };

struct ReaderRun {
    ReaderRun(HWND window, HANDLE launcher, AfterPress next)
        : window(window), launcher(launcher), next(next)
    {
    }
    HWND window;
    HANDLE launcher;
    AfterPress next;
    HRESULT found = E_PENDING, pressed = E_PENDING;
    std::vector<HRESULT> failures; // each failure of a later call once, in order
    bool answeredAfterFailing = false;
};

// The reader runs on a thread of its own, so a launcher that never answers
// cannot hold the test.
DWORD WINAPI PressExitAndGoOn(void *parameter)
{
    ReaderRun &run = *static_cast<ReaderRun *>(parameter);
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    IAccessible *object = nullptr;
    run.found = AccessibleObjectFromWindow(run.window, static_cast<DWORD>(OBJID_CLIENT),
                                           IID_IAccessible, reinterpret_cast<void **>(&object));
    if (object) {
        run.pressed = object->accDoDefaultAction(Child(2));
        // Asks on while the launcher goes, and once after it has gone.
        DWORD start = GetTickCount();
        bool gone = run.next != AfterPress::KeepsAsking;
        while (!gone && GetTickCount() - start < 10000) {
            gone = WaitForSingleObject(run.launcher, 0) == WAIT_OBJECT_0;
            BSTR name = nullptr;
            long x, y, cx, cy;
            for (HRESULT result : {object->get_accName(Child(2), &name),
                                   object->accLocation(&x, &y, &cx, &cy, Child(2))}) {
                if (SUCCEEDED(result))
                    run.answeredAfterFailing |= !run.failures.empty();
                else if (std::find(run.failures.begin(), run.failures.end(), result) ==
                         run.failures.end())
                    run.failures.push_back(result);
            }
            SysFreeString(name);
        }
        object->Release();
    }
    CoUninitialize();
    return 0;
}

// Under Wine, the X11 driver waits up to 2 s for a window manager to withdraw
// a closing window, and the test display has none. The launcher's window left
// unmanaged closes at once, so the time taken is the launcher's own.
class UnmanagedLauncherWindow {
public:
    UnmanagedLauncherWindow() { Set(L"N"); }
    ~UnmanagedLauncherWindow() { Set(nullptr); }

private:
    static void Set(const wchar_t *value)
    {
        HKEY key;
        if (RegCreateKeyExW(HKEY_CURRENT_USER,
                            L"Software\\Wine\\AppDefaults\\AUTORUN.EXE\\X11 Driver", 0, nullptr, 0,
                            KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
            return;
        if (value)
            RegSetValueExW(key, L"Managed", 0, REG_SZ, reinterpret_cast<const BYTE *>(value),
                           (lstrlenW(value) + 1) * sizeof(wchar_t));
        else
            RegDeleteValueW(key, L"Managed");
        RegCloseKey(key);
    }
};

std::string Hex(const std::vector<HRESULT> &codes)
{
    std::string text;
    for (HRESULT code : codes) {
        char one[16];
        snprintf(one, sizeof one, " 0x%08lx", static_cast<unsigned long>(code));
        text += one;
    }
    return text.empty() ? " (none)" : text;
}

TEST_F(ScreenReader, ExitPressedByAReaderEndsTheLauncherWhateverTheReaderDoesNext)
{
    // Failures that say the object, its interface or its process has gone.
    const HRESULT disconnected[] = {RPC_E_DISCONNECTED,
                                    CO_E_OBJNOTCONNECTED,
                                    RPC_E_SERVER_DIED_DNE,
                                    RPC_E_SERVER_DIED,
                                    HRESULT_FROM_WIN32(RPC_S_UNKNOWN_IF),
                                    HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE),
                                    HRESULT_FROM_WIN32(RPC_S_CALL_FAILED),
                                    HRESULT_FROM_WIN32(RPC_S_CALL_FAILED_DNE)};
    auto saysGone = [&](HRESULT failure) {
        return std::find(std::begin(disconnected), std::end(disconnected), failure) !=
               std::end(disconnected);
    };
    UnmanagedLauncherWindow unmanaged;
    TerminateProcess(process.Handle(), 99); // started managed
    process.WaitExit();
    const std::wstring workingCopy = WorkingCopyPath(disc.label);
    for (AfterPress next : {AfterPress::ReleasesAtOnce, AfterPress::KeepsAsking}) {
        for (int round = 1; round <= 3; round++) {
            SCOPED_TRACE(std::string(next == AfterPress::KeepsAsking ? "asking" : "releasing") +
                         " reader, round " + std::to_string(round));
            if (!process.Running())
                StartLauncher();
            ASSERT_TRUE(window);
            // Left to leak if the reader never comes back, rather than freed under it.
            auto *run = new ReaderRun(window, process.Handle(), next);
            HANDLE reader = CreateThread(nullptr, 0, PressExitAndGoOn, run, 0, nullptr);
            ASSERT_TRUE(reader);
            DWORD start = GetTickCount();
            DWORD code = process.WaitExit(2000);
            DWORD took = GetTickCount() - start;
            // Late or held? Said on failure, so that the next one explains itself.
            std::string late;
            if (code == STILL_ACTIVE) {
                late = IsWindow(window) ? "; its window was still there" : "; its window was gone";
                DWORD lateCode = process.WaitExit(8000);
                late += lateCode == STILL_ACTIVE
                            ? ", and it was still running 8 s later"
                            : ", and it ended " + std::to_string(GetTickCount() - start) +
                                  " ms after the press with exit code " + std::to_string(lateCode);
            }
            if (process.Running())
                TerminateProcess(process.Handle(), 99); // lets a waiting reader go
            ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(reader, 10000)) << "the reader is held";
            CloseHandle(reader);
            EXPECT_EQ(S_OK, run->found);
            // The answer to the press goes out from another thread of the
            // launcher, which may end before it has.
            EXPECT_TRUE(run->pressed == S_OK || (code == 0 && saysGone(run->pressed)))
                << Hex({run->pressed});
            EXPECT_EQ(0u, code) << "after " << took << " ms" << late
                                << "; the later calls failed with" << Hex(run->failures);
            EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(workingCopy.c_str()))
                << "the working copy stays";
            if (next == AfterPress::KeepsAsking) {
                EXPECT_FALSE(run->answeredAfterFailing) << Hex(run->failures);
                EXPECT_FALSE(run->failures.empty()) << "a call after the exit succeeded";
                for (HRESULT failure : run->failures)
                    EXPECT_TRUE(saysGone(failure)) << Hex(run->failures);
            }
            delete run;
        }
    }
}

} // namespace
