// Saves a picture of the launcher window as a PNG file, optionally after
// pointing at a client point so a button shows lit. Usage:
//   snap OUT.png [X Y]
#include <windows.h>

#include <stdlib.h>
#include <wincodec.h>

static HWND WaitForLauncher()
{
    for (int i = 0; i < 400; i++) {
        HWND window = FindWindowW(L"KT.SetupLauncher", nullptr);
        if (window && IsWindowVisible(window))
            return window;
        Sleep(50);
    }
    return nullptr;
}

// Encodes the bitmap with the Windows Imaging Component.
static bool SavePng(const wchar_t *path, HBITMAP bitmap)
{
    IWICImagingFactory *factory = nullptr;
    IWICBitmap *source = nullptr;
    IWICStream *stream = nullptr;
    IWICBitmapEncoder *encoder = nullptr;
    IWICBitmapFrameEncode *frame = nullptr;
    bool saved =
        SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IWICImagingFactory, reinterpret_cast<void **>(&factory))) &&
        SUCCEEDED(
            factory->CreateBitmapFromHBITMAP(bitmap, nullptr, WICBitmapIgnoreAlpha, &source)) &&
        SUCCEEDED(factory->CreateStream(&stream)) &&
        SUCCEEDED(stream->InitializeFromFilename(path, GENERIC_WRITE)) &&
        SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) &&
        SUCCEEDED(encoder->Initialize(stream, WICBitmapEncoderNoCache)) &&
        SUCCEEDED(encoder->CreateNewFrame(&frame, nullptr)) &&
        SUCCEEDED(frame->Initialize(nullptr)) && SUCCEEDED(frame->WriteSource(source, nullptr)) &&
        SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
    IUnknown *objects[] = {frame, encoder, stream, source, factory};
    for (IUnknown *object : objects)
        if (object)
            object->Release();
    return saved;
}

// The whole window with its frame, as the screen shows it.
static bool SaveWindowPicture(HWND window, const wchar_t *path)
{
    RECT rect;
    GetWindowRect(window, &rect);
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    bool saved = bitmap && SavePng(path, bitmap);
    DeleteObject(bitmap);
    return saved;
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    int count = 0;
    wchar_t **arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments || count < 2)
        return 2;
    HWND window = WaitForLauncher();
    if (!window)
        return 3;
    if (count >= 4) {
        POINT point = {_wtoi(arguments[2]), _wtoi(arguments[3])};
        ClientToScreen(window, &point);
        SetCursorPos(point.x - 1, point.y - 1);
        Sleep(100);
        SetCursorPos(point.x, point.y);
    }
    Sleep(1500);
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 1;
    bool saved = SaveWindowPicture(window, arguments[1]);
    CoUninitialize();
    return saved ? 0 : 1;
}
