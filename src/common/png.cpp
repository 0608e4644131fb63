#include "png.h"

#include <wincodec.h>

#include <initializer_list>

HRESULT EncodePng(const wchar_t *path, SIZE size, const DWORD *pixels)
{
    IWICImagingFactory *factory = nullptr;
    IWICStream *stream = nullptr;
    IWICBitmapEncoder *encoder = nullptr;
    IWICBitmapFrameEncode *frame = nullptr;
    HRESULT result = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IWICImagingFactory, reinterpret_cast<void **>(&factory));
    if (SUCCEEDED(result))
        result = factory->CreateStream(&stream);
    if (SUCCEEDED(result))
        result = stream->InitializeFromFilename(path, GENERIC_WRITE);
    if (SUCCEEDED(result))
        result = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder);
    if (SUCCEEDED(result))
        result = encoder->Initialize(stream, WICBitmapEncoderNoCache);
    if (SUCCEEDED(result))
        result = encoder->CreateNewFrame(&frame, nullptr);
    if (SUCCEEDED(result))
        result = frame->Initialize(nullptr);
    if (SUCCEEDED(result))
        result = frame->SetSize(size.cx, size.cy);
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGR;
    if (SUCCEEDED(result))
        result = frame->SetPixelFormat(&format);
    // The encoder may only offer another format; the pixels are in this one.
    if (SUCCEEDED(result) && !IsEqualGUID(format, GUID_WICPixelFormat32bppBGR))
        result = E_FAIL;
    UINT stride = static_cast<UINT>(size.cx) * 4;
    if (SUCCEEDED(result))
        result = frame->WritePixels(size.cy, stride, stride * size.cy,
                                    reinterpret_cast<BYTE *>(const_cast<DWORD *>(pixels)));
    if (SUCCEEDED(result))
        result = frame->Commit();
    if (SUCCEEDED(result))
        result = encoder->Commit();
    for (IUnknown *object : std::initializer_list<IUnknown *>{frame, encoder, stream, factory}) {
        if (object)
            object->Release();
    }
    return result;
}
