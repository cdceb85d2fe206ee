// The Windows program driven from another process through window messages,
// as UI Automation is not there under Wine: every shared control is found by
// its id, pages switch, presets rewrite the boxes, check boxes set topmost
// (grayed does not), files dropped from an X client load or are refused
// with the shared message in the one message box, strokes grey drag input,
// a broken pasted picture is refused with the drop's message, and a second
// start only brings the first to the front.

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "gif_writer.h"
#include "session/instance_texts.h"
#include "started_program.h"
#include "window/core/controls.h"
#include "window/core/form1_layout.h"
#include "window/core/window_texts.h"
#include "window/win32/message_window.h"

namespace scrivlet::testing {
namespace {

using namespace std::chrono_literals;

class Form1DriverTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // The program's own pixels and DPI, not scaled ones.
    ::SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE);
    ASSERT_TRUE(StartProgram(process_)) << "could not start the program";
    form_ = WaitForForm(process_.dwProcessId);
    ASSERT_NE(form_, nullptr) << "the window did not appear";
  }

  static void TearDownTestSuite() {
    EXPECT_TRUE(CloseProgram(process_, form_)) << "the program did not close";
  }

  static HWND WindowOf(const wchar_t* window_class) {
    return testing::WindowOf(process_.dwProcessId, window_class);
  }

  static HWND Item(Control control) {
    HWND item = ::GetDlgItem(form_, Info(control).id);
    EXPECT_NE(item, nullptr) << Info(control).name;
    return item;
  }

  static std::string Text(HWND window) {
    wchar_t text[512] = {};
    ::SendMessageW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
    return Utf8(text);
  }

  static void Type(Control box, const char* text) {
    ::SendMessageW(Item(box), WM_SETTEXT, 0,
                   reinterpret_cast<LPARAM>(Utf16(text).c_str()));
  }

  static void ShowPage(int page) {
    ::SendMessageW(Item(Control::SSTab1), TCM_SETCURFOCUS, page, 0);
  }

  // The message box's text once it shows, closing it; empty if none shows.
  static std::string TakeMessage() {
    for (int i = 0; i < 100; ++i) {
      if (HWND box = WindowOf(kMessageWindowClass)) {
        std::string text = Text(::GetDlgItem(box, kMessageTextId));
        ::SendMessageW(box, WM_CLOSE, 0, 0);
        return text;
      }
      std::this_thread::sleep_for(20ms);
    }
    return {};
  }

  // Drops a file on Picture1 from an X client, as a Linux file manager
  // does: Wine turns the XDND drop into an OLE drop. Wine starts the Linux
  // command but cannot wait for it or read its exit status, so the command
  // writes its outcome to a file. Returns that outcome ("accepted", ...).
  static std::string DropFromX(const std::string& unix_path) {
    RECT box{};
    ::GetWindowRect(Item(Control::Picture1), &box);
    const std::string result = std::string(SCRIVLET_DROP_DIR) + "/outcome";
    std::filesystem::remove(WindowsPath(result));
    PROCESS_INFORMATION started{};
    if (!Start(L"\"" + WindowsPath(SCRIVLET_XDND_DROP).wstring() + L"\" " +
                   std::to_wstring((box.left + box.right) / 2) + L" " +
                   std::to_wstring((box.top + box.bottom) / 2) + L" \"" +
                   Utf16(result) + L"\" \"" + Utf16(unix_path) + L"\"",
               started)) {
      return "not started";
    }
    ::CloseHandle(started.hProcess);
    for (int i = 0; i < 1000; ++i) {
      std::ifstream file(WindowsPath(result));
      std::string outcome;
      if (std::getline(file, outcome)) {
        return outcome;
      }
      std::this_thread::sleep_for(20ms);
    }
    return "no outcome";
  }

  // Waits until the program has handled everything sent before.
  static void Settle() { ::SendMessageW(form_, WM_NULL, 0, 0); }

  static PROCESS_INFORMATION process_;
  static HWND form_;
};

PROCESS_INFORMATION Form1DriverTest::process_{};
HWND Form1DriverTest::form_ = nullptr;

// The page a control's container lies on; -1 for the tab control itself.
int PageOf(layout::Container parent) {
  switch (parent) {
    case layout::Container::MainPage:
      return 0;
    case layout::Container::SettingsPage:
    case layout::Container::Frame1:
      return 1;
    case layout::Container::StylePage:
    case layout::Container::Frame2:
    case layout::Container::Frame3:
      return 2;
    case layout::Container::Form:
      break;
  }
  return -1;
}

TEST_F(Form1DriverTest, EveryControlHasItsIdAndPagesSwitch) {
  EXPECT_EQ(Text(form_), texts::kCaption);
  for (const ControlInfo& info : kControls) {
    EXPECT_NE(::GetDlgItem(form_, info.id), nullptr) << info.name;
  }
  EXPECT_EQ(::SendMessageW(Item(Control::SSTab1), TCM_GETITEMCOUNT, 0, 0), 3);
  for (const int page : {1, 0, 2, 1}) {
    ShowPage(page);
    for (const layout::Placement& place : layout::kPlacements) {
      if (place.parent == layout::Container::Form) {
        continue;
      }
      EXPECT_EQ(::IsWindowVisible(Item(place.control)) != FALSE,
                PageOf(place.parent) == page)
          << Info(place.control).name << " on page " << page;
    }
  }
}

TEST_F(Form1DriverTest, TabKeyFollowsTheFocusOrderAndTheTabsKeepTheirMargin) {
  ShowPage(1);
  DWORD thread = ::GetWindowThreadProcessId(form_, nullptr);
  const auto focused = [thread] {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    ::GetGUIThreadInfo(thread, &info);
    return info.hwndFocus;
  };
  ::SendMessageW(form_, WM_NEXTDLGCTL,
                 reinterpret_cast<WPARAM>(Item(Control::SSTab1)), TRUE);
  // The settings page's controls (of the options, the selected one), and
  // round to the tabs.
  for (const Control control :
       {Control::Check2, Control::Check1, Control::Text4, Control::Text2,
        Control::Text1, Control::Option1_0, Control::Command1,
        Control::SSTab1}) {
    // A posted key waits behind sent messages: wait for the focus to move.
    HWND before = focused();
    ::PostMessageW(before, WM_KEYDOWN, VK_TAB, 0);
    ::PostMessageW(before, WM_KEYUP, VK_TAB, 0);
    for (int i = 0; i < 100 && focused() == before; ++i) {
      std::this_thread::sleep_for(10ms);
    }
    EXPECT_EQ(::GetDlgCtrlID(focused()), Info(control).id)
        << "expected " << Info(control).name;
  }

  // The resize rule: the tab control follows the window's size with equal
  // margins on every side.
  const auto tab_in_form = [] {
    RECT tab{};
    ::GetWindowRect(Item(Control::SSTab1), &tab);
    ::MapWindowPoints(nullptr, form_, reinterpret_cast<POINT*>(&tab), 2);
    return tab;
  };
  const RECT before = tab_in_form();
  RECT frame{};
  ::GetWindowRect(form_, &frame);
  ::SetWindowPos(form_, nullptr, 0, 0, frame.right - frame.left + 100,
                 frame.bottom - frame.top + 60, SWP_NOMOVE | SWP_NOZORDER);
  Settle();
  RECT client{};
  ::GetClientRect(form_, &client);
  const RECT after = tab_in_form();
  // (Wine scales a size set from another process by that process's DPI, so
  // only the change and the margins are compared.)
  EXPECT_NE(after.right - after.left, before.right - before.left);
  EXPECT_NE(after.bottom - after.top, before.bottom - before.top);
  EXPECT_GT(after.left, 0);
  EXPECT_EQ(client.right - after.right, after.left);
  EXPECT_EQ(client.bottom - after.bottom, after.top);
}

TEST_F(Form1DriverTest, PresetsRewriteTheBoxesAndCheckBoxesClickAndGray) {
  ShowPage(1);
  Type(Control::Text1, "7");
  Type(Control::Text2, "9");
  for (const auto& [button, magnification] :
       {std::pair{Control::Option1_1, "2"},
        std::pair{Control::Option1_0, "1"}}) {
    ::SendMessageW(Item(button), BM_CLICK, 0, 0);
    EXPECT_EQ(Text(Item(Control::Text1)), magnification);
    EXPECT_EQ(Text(Item(Control::Text2)), "2");
  }

  HWND check1 = Item(Control::Check1);
  const auto click = [check1] { ::SendMessageW(check1, BM_CLICK, 0, 0); };
  const auto gray = [check1] {
    ::SendMessageW(check1, BM_SETCHECK, BST_INDETERMINATE, 0);
  };
  const struct {
    const char* step;
    std::function<void()> act;
    LRESULT value;
    bool topmost;
  } steps[] = {
      {"click", click, BST_CHECKED, true},
      {"gray", gray, BST_INDETERMINATE, false},  // grayed is not topmost
      {"click a grayed box", click, BST_UNCHECKED, false},
      {"click", click, BST_CHECKED, true},
      {"click", click, BST_UNCHECKED, false},
  };
  for (const auto& step : steps) {
    step.act();
    Settle();
    EXPECT_EQ(::SendMessageW(check1, BM_GETCHECK, 0, 0), step.value)
        << step.step;
    EXPECT_EQ((::GetWindowLongW(form_, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0,
              step.topmost)
        << step.step;
  }
}

TEST_F(Form1DriverTest, FilesDroppedFromAnXClientLoadOrSayWhy) {
  const std::string dir = SCRIVLET_DROP_DIR;
  std::filesystem::remove_all(WindowsPath(dir));
  std::filesystem::create_directories(WindowsPath(dir));
  // A 600 x 200 white picture: larger than the box, which grows to it.
  {
    const art::IndexedImage white{
        600,
        200,
        std::vector<std::uint8_t>(std::size_t{600} * 200, 0),
        {{255, 255, 255}, {0, 0, 0}}};
    const std::vector<std::uint8_t> gif =
        art::EncodeGif89a(white, std::nullopt);
    std::ofstream(WindowsPath(dir + "/large.gif"), std::ios::binary)
        .write(reinterpret_cast<const char*>(gif.data()),
               static_cast<std::streamsize>(gif.size()));
  }
  std::ofstream(WindowsPath(dir + "/notes.png")) << "not a picture\n";

  const struct {
    const char* file;
    const char* message;  // nullptr: loads
  } drops[] = {
      {"notes.png", texts::kDropNotPicture},
      {"large.gif", nullptr},
  };
  for (const auto& drop : drops) {
    EXPECT_EQ(DropFromX(dir + "/" + drop.file), "accepted") << drop.file;
    Settle();
    EXPECT_EQ(TakeMessage(), drop.message != nullptr ? drop.message : "")
        << drop.file;
  }
  RECT inner{};
  ::GetClientRect(Item(Control::Picture1), &inner);
  EXPECT_EQ(inner.right, 600);
  EXPECT_EQ(inner.bottom, 200);
}

TEST_F(Form1DriverTest, StrokesGreyDragInputAndABadPasteSaysWhy) {
  ShowPage(2);
  for (const auto& [style, drag_enabled] :
       {std::pair{Control::Option2_1, false},
        std::pair{Control::Option2_0, true}}) {
    ::SendMessageW(Item(style), BM_CLICK, 0, 0);
    Settle();
    EXPECT_EQ(::IsWindowEnabled(Item(Control::Check2)) != FALSE, drag_enabled);
  }
  // A DIB whose header announces 100 x 100 pixels that are not there.
  BITMAPINFOHEADER header{};
  header.biSize = sizeof(header);
  header.biWidth = 100;
  header.biHeight = 100;
  header.biPlanes = 1;
  header.biBitCount = 32;
  header.biCompression = BI_RGB;
  HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, sizeof(header) + 16);
  ASSERT_NE(block, nullptr);
  std::memcpy(::GlobalLock(block), &header, sizeof(header));
  ::GlobalUnlock(block);
  ASSERT_NE(::OpenClipboard(nullptr), FALSE);
  ::EmptyClipboard();
  EXPECT_NE(::SetClipboardData(CF_DIB, block), nullptr);
  ::CloseClipboard();
  // What Ctrl+V in the window sends it.
  ::SendMessageW(form_, WM_PASTE, 0, 0);
  EXPECT_EQ(TakeMessage(), texts::kDropBroken);
}

TEST_F(Form1DriverTest, ASecondStartRaisesTheFirstAndLeaves) {
  ::SendMessageW(form_, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  ASSERT_NE(::IsIconic(form_), FALSE);
  PROCESS_INFORMATION second{};
  ASSERT_TRUE(StartProgram(second));
  ASSERT_EQ(::WaitForSingleObject(second.hProcess, 20000), WAIT_OBJECT_0);
  DWORD status = 1;
  ::GetExitCodeProcess(second.hProcess, &status);
  ::CloseHandle(second.hProcess);
  EXPECT_EQ(status, 0U);
  EXPECT_EQ(TakeMessage(), texts::kInstanceRaised);
  EXPECT_EQ(::IsIconic(form_), FALSE);
  // Still the first program's one window.
  EXPECT_EQ(::FindWindowW(kFormWindowClass, nullptr), form_);
}

}  // namespace
}  // namespace scrivlet::testing
