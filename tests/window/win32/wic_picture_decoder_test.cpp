// Loading whole, cut-off, damaged and oversized picture files through WIC:
// each gives the whole picture or the Qt window's reason, never a picture
// with made-up parts. The files are written by WIC's own encoders (and the
// project's GIF writer): each container whose cuts the decoder looks for,
// with alpha and with a palette of sub-byte pixels.

#include "window/win32/wic_picture_decoder.h"

#include <gtest/gtest.h>
#include <wrl/client.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "picture_files.h"
#include "window/core/window_texts.h"
#include "window/win32/windows_ui.h"

namespace scrivlet::testing {
namespace {

using Microsoft::WRL::ComPtr;

constexpr int kWidth = kStripesWidth;
constexpr int kHeight = kStripesHeight;

struct Format {
  const char* name;
  GUID container;
  GUID pixels;
  int bits;
  int alpha_bytes;  // trailing alpha bytes per pixel (straight formats)
  bool indexed;     // palette {black, white}
};

// One row: indexed formats packed most significant bits first; straight
// formats with every colour byte 0 or 255. With alpha, light pixels are
// transparent black, which a decoder that dropped alpha would show dark.
Bytes Row(const Format& format, int y) {
  const int stride = (kWidth * format.bits + 31) / 32 * 4;
  Bytes row(static_cast<std::size_t>(stride), 0);
  const int pixel_bytes = format.bits / 8;
  for (int x = 0; x < kWidth; ++x) {
    if (format.indexed) {
      const int bit = x * format.bits;
      const int index = StripeDark(x, y) ? 0 : 1;
      row[static_cast<std::size_t>(bit / 8)] |=
          static_cast<std::uint8_t>(index << (8 - format.bits - bit % 8));
      continue;
    }
    for (int b = 0; b < pixel_bytes; ++b) {
      const bool alpha = b >= pixel_bytes - format.alpha_bytes;
      const bool on = format.alpha_bytes > 0 ? (alpha && StripeDark(x, y))
                                             : !StripeDark(x, y);
      row[static_cast<std::size_t>(x) * pixel_bytes + b] = on ? 0xFF : 0;
    }
  }
  return row;
}

Bytes EncodeWithWic(const Format& format) {
  ComPtr<IWICImagingFactory> factory;
  ComPtr<IWICBitmapEncoder> encoder;
  ComPtr<IStream> stream;
  ComPtr<IWICBitmapFrameEncode> frame;
  EXPECT_HRESULT_SUCCEEDED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr,
                                              CLSCTX_INPROC_SERVER,
                                              IID_PPV_ARGS(&factory)));
  EXPECT_HRESULT_SUCCEEDED(::CreateStreamOnHGlobal(nullptr, TRUE, &stream));
  EXPECT_HRESULT_SUCCEEDED(
      factory->CreateEncoder(format.container, nullptr, &encoder));
  EXPECT_HRESULT_SUCCEEDED(
      encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache));
  EXPECT_HRESULT_SUCCEEDED(encoder->CreateNewFrame(&frame, nullptr));
  EXPECT_HRESULT_SUCCEEDED(frame->Initialize(nullptr));
  EXPECT_HRESULT_SUCCEEDED(frame->SetSize(kWidth, kHeight));
  GUID pixels = format.pixels;
  EXPECT_HRESULT_SUCCEEDED(frame->SetPixelFormat(&pixels));
  EXPECT_TRUE(pixels == format.pixels) << "the encoder chose another format";
  if (format.indexed) {
    ComPtr<IWICPalette> palette;
    WICColor colours[] = {0xFF000000, 0xFFFFFFFF};
    EXPECT_HRESULT_SUCCEEDED(factory->CreatePalette(&palette));
    EXPECT_HRESULT_SUCCEEDED(palette->InitializeCustom(colours, 2));
    EXPECT_HRESULT_SUCCEEDED(frame->SetPalette(palette.Get()));
  }
  for (int y = 0; y < kHeight; ++y) {
    Bytes row = Row(format, y);
    EXPECT_HRESULT_SUCCEEDED(
        frame->WritePixels(1, static_cast<UINT>(row.size()),
                           static_cast<UINT>(row.size()), row.data()));
  }
  EXPECT_HRESULT_SUCCEEDED(frame->Commit());
  EXPECT_HRESULT_SUCCEEDED(encoder->Commit());
  STATSTG stat{};
  EXPECT_HRESULT_SUCCEEDED(stream->Stat(&stat, STATFLAG_NONAME));
  Bytes bytes(static_cast<std::size_t>(stat.cbSize.QuadPart));
  LARGE_INTEGER start{};
  ULONG read = 0;
  EXPECT_HRESULT_SUCCEEDED(stream->Seek(start, STREAM_SEEK_SET, nullptr));
  EXPECT_HRESULT_SUCCEEDED(
      stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read));
  return bytes;
}

std::vector<LoadCase> Cases() {
  // COM for writing the files, on the thread that lists the cases, for the
  // life of the test program.
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  std::vector<std::pair<std::string, Bytes>> wholes{{"GIF", StripesGif()}};
  const Format formats[] = {
      {"PNG_RGBA", GUID_ContainerFormatPng, GUID_WICPixelFormat32bppBGRA, 32, 1,
       false},
      {"BMP_24_bit", GUID_ContainerFormatBmp, GUID_WICPixelFormat24bppBGR, 24,
       0, false},
      {"BMP_1_bit", GUID_ContainerFormatBmp, GUID_WICPixelFormat1bppIndexed, 1,
       0, true},
      {"JPEG", GUID_ContainerFormatJpeg, GUID_WICPixelFormat24bppBGR, 24, 0,
       false},
  };
  for (const Format& format : formats) {
    wholes.emplace_back(format.name, EncodeWithWic(format));
  }
  std::vector<LoadCase> cases = LoadCases(wholes);
  cases.push_back({"GIF_claiming_8000_by_8000", ClaimingGif(8000, 8000),
                   texts::kDropTooLarge});
  return cases;
}

std::wstring TempPath(const std::wstring& name) {
  wchar_t dir[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, dir);
  return std::wstring(dir) + name;
}

class WicPictureDecoderTest : public ::testing::TestWithParam<LoadCase> {};

TEST_P(WicPictureDecoderTest, LoadsWholeOrSaysWhy) {
  const LoadCase& test = GetParam();
  // A file of its own: ctest runs the cases side by side.
  const std::wstring path =
      TempPath(L"scrivlet_wic_test_" +
               std::wstring(test.what.begin(), test.what.end()) + L".pic");
  {
    std::ofstream file(std::filesystem::path(path), std::ios::binary);
    file.write(reinterpret_cast<const char*>(test.bytes.data()),
               static_cast<std::streamsize>(test.bytes.size()));
  }
  const DecodedPicture load = DecodePictureFileWic(path);
  ::DeleteFileW(path.c_str());
  if (test.problem != nullptr) {
    EXPECT_EQ(load.problem, test.problem);
    EXPECT_TRUE(load.picture.argb.empty());
    return;
  }
  ASSERT_EQ(load.problem, "");
  ASSERT_EQ(load.picture.width, kWidth);
  ASSERT_EQ(load.picture.height, kHeight);
  // JPEG is lossy: compare which pixels are dark and opaque.
  EXPECT_EQ(StripeMismatches([&load](int x, int y) {
              const std::uint32_t argb =
                  load.picture.argb[static_cast<std::size_t>(y) * kWidth + x];
              return (argb >> 24U) >= 128 && ((argb >> 8U) & 0xFFU) < 128;
            }),
            0);
}

INSTANTIATE_TEST_SUITE_P(Files, WicPictureDecoderTest,
                         ::testing::ValuesIn(Cases()),
                         [](const auto& test) { return test.param.what; });

TEST(WicPictureDecoderTest, MissingFilesAndFoldersAreNamed) {
  const struct {
    std::wstring path;
    const char* problem;
  } cases[] = {
      {TempPath(L"scrivlet_no_such_file.png"), texts::kDropNotFound},
      {TempPath(L""), texts::kDropFolder},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DecodePictureFileWic(c.path).problem, c.problem);
  }
}

}  // namespace
}  // namespace scrivlet::testing
