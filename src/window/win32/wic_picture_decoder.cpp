#include "window/win32/wic_picture_decoder.h"

#include <wrl/client.h>

#include <cstddef>
#include <span>

#include "window/core/picture_integrity.h"
#include "window/core/picture_limits.h"
#include "window/core/window_texts.h"
#include "window/win32/picture_header.h"
#include "window/win32/wide_text.h"
#include "window/win32/windows_ui.h"

namespace scrivlet {
namespace {

using Microsoft::WRL::ComPtr;

DecodedPicture Problem(const char* text) { return {{}, text}; }

// COM for the calling thread, released again if this call started it.
class ComScope {
 public:
  ComScope() : result_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComScope() {
    if (SUCCEEDED(result_)) {  // S_FALSE (already initialised) counts too
      ::CoUninitialize();
    }
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
  ComScope(ComScope&&) = delete;
  ComScope& operator=(ComScope&&) = delete;

 private:
  HRESULT result_;
};

// Up to `limit` bytes from the start of the file, and the file's size.
bool ReadStart(const std::wstring& path, std::size_t limit,
               std::vector<std::uint8_t>& bytes, std::uint64_t& size) {
  HANDLE file =
      ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return false;
  }
  LARGE_INTEGER length{};
  bool ok = ::GetFileSizeEx(file, &length) != FALSE;
  size = static_cast<std::uint64_t>(length.QuadPart);
  const std::size_t wanted =
      size < limit ? static_cast<std::size_t>(size) : limit;
  bytes.assign(wanted, 0);
  std::size_t done = 0;
  while (ok && done < wanted) {
    DWORD got = 0;
    const auto chunk = static_cast<DWORD>(
        wanted - done < (1U << 30U) ? wanted - done : (1U << 30U));
    ok = ::ReadFile(file, bytes.data() + done, chunk, &got, nullptr) != FALSE &&
         got > 0;
    done += got;
  }
  ::CloseHandle(file);
  return ok;
}

// Whether the file was cut off in a way WIC papers over (the missing rows or
// blocks read as black or background), as the Qt window judges it.
bool CutOff(const std::wstring& path, const GUID& format) {
  const bool bmp = format == GUID_ContainerFormatBmp;
  const bool jpeg = format == GUID_ContainerFormatJpeg;
  const bool gif = format == GUID_ContainerFormatGif;
  if (!bmp && !jpeg && !gif) {
    return false;
  }
  constexpr std::size_t kBmpHeaderBytes = 64;
  std::vector<std::uint8_t> bytes;
  std::uint64_t size = 0;
  if (!ReadStart(path, bmp ? kBmpHeaderBytes : SIZE_MAX, bytes, size)) {
    return false;  // it was just decoded; a vanished file is not a cut one
  }
  if (bmp) {
    return !BmpHoldsAllRows(bytes, size);
  }
  return jpeg ? !JpegHasEndOfImage(bytes) : !GifBlocksComplete(bytes);
}

bool AccessDenied(HRESULT result) {
  return result == HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED) ||
         result == HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION) ||
         result == HRESULT_FROM_WIN32(ERROR_LOCK_VIOLATION);
}

// The first frame, refused when too large to draw, converted to straight
// ARGB.
DecodedPicture DecodeFirstFrame(IWICBitmapDecoder& decoder) {
  ComPtr<IWICBitmapFrameDecode> frame;
  UINT width = 0;
  UINT height = 0;
  if (FAILED(decoder.GetFrame(0, &frame)) ||
      FAILED(frame->GetSize(&width, &height)) || width == 0 || height == 0) {
    return Problem(texts::kDropBroken);
  }
  // The header's size, before any pixel memory.
  if (const char* problem = PictureSizeProblem(width, height)) {
    return Problem(problem);
  }
  ComPtr<IWICBitmapSource> converted;
  if (FAILED(::WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, frame.Get(),
                                      &converted))) {
    return Problem(texts::kDropBroken);
  }
  Picture picture{static_cast<int>(width), static_cast<int>(height),
                  std::vector<std::uint32_t>(std::size_t{width} * height)};
  // BGRA bytes in memory are 0xAARRGGBB words on a little-endian machine.
  const UINT stride = width * 4;
  if (FAILED(converted->CopyPixels(
          nullptr, stride, stride * height,
          reinterpret_cast<BYTE*>(picture.argb.data())))) {
    return Problem(texts::kDropBroken);
  }
  return {std::move(picture), {}};
}

}  // namespace

DecodedPicture DecodePictureFileWic(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = ::GetLastError();
    return Problem(error == ERROR_FILE_NOT_FOUND ||
                           error == ERROR_PATH_NOT_FOUND ||
                           error == ERROR_INVALID_NAME
                       ? texts::kDropNotFound
                       : texts::kDropUnreadable);
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return Problem(texts::kDropFolder);
  }

  std::vector<std::uint8_t> start;
  std::uint64_t file_size = 0;
  constexpr std::size_t kHeaderBytes = 64;
  if (!ReadStart(path, kHeaderBytes, start, file_size)) {
    return Problem(texts::kDropUnreadable);
  }
  // The header's size, before any decoder reads the file.
  if (const auto size = SizeInHeader(start); size) {
    if (const char* problem = PictureSizeProblem(size->width, size->height)) {
      return Problem(problem);
    }
  }

  const ComScope com;
  ComPtr<IWICImagingFactory> factory;
  if (FAILED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr,
                                CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&factory)))) {
    return Problem(texts::kDropUnreadable);
  }
  ComPtr<IWICBitmapDecoder> decoder;
  const HRESULT opened = factory->CreateDecoderFromFilename(
      path.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand,
      &decoder);
  if (FAILED(opened)) {
    if (AccessDenied(opened)) {
      return Problem(texts::kDropUnreadable);
    }
    // WIC refuses a damaged file of a known format as it refuses one of no
    // picture format at all; the signature tells them apart.
    return Problem(FormatBySignature(start) ? texts::kDropBroken
                                            : texts::kDropNotPicture);
  }
  GUID format{};
  if (FAILED(decoder->GetContainerFormat(&format))) {
    return Problem(texts::kDropBroken);
  }
  DecodedPicture decoded = DecodeFirstFrame(*decoder.Get());
  if (!decoded.problem.empty()) {
    return decoded;
  }
  if (CutOff(path, format)) {
    return Problem(texts::kDropBroken);
  }
  return decoded;
}

DecodedPicture DecodePictureBytesWic(std::span<const std::uint8_t> bytes) {
  const ComScope com;
  ComPtr<IWICImagingFactory> factory;
  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapDecoder> decoder;
  if (FAILED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr,
                                CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&factory))) ||
      FAILED(factory->CreateStream(&stream)) ||
      FAILED(stream->InitializeFromMemory(
          const_cast<BYTE*>(bytes.data()),  // WIC only reads it
          static_cast<DWORD>(bytes.size()))) ||
      FAILED(factory->CreateDecoderFromStream(
          stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand, &decoder))) {
    return Problem(texts::kDropBroken);
  }
  return DecodeFirstFrame(*decoder.Get());
}

DecodedPicture WicPictureDecoder::Decode(const std::string& path) {
  return DecodePictureFileWic(Utf16(path));
}

}  // namespace scrivlet
