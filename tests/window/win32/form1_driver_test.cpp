// The Windows program driven from another process through window messages,
// as UI Automation is not there under Wine: every shared control is found by
// its id, pages switch, presets rewrite the boxes, check boxes set topmost
// (grayed does not), files dropped from an X client load or are refused
// with the shared message in the one message box, strokes grey drag input,
// a broken pasted picture is refused with the drop's message, and a second
// start only brings the first to the front.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
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
#include "window/win32/win32_tab_pages.h"

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

  static HWND Item(Control control) {
    HWND item = ::GetDlgItem(form_, Info(control).id);
    EXPECT_NE(item, nullptr) << Info(control).name;
    return item;
  }

  static void ShowPage(int page) {
    ::SendMessageW(Item(Control::SSTab1), TCM_SETCURFOCUS, page, 0);
  }

  // The message box's text once it shows, closing it; empty if none shows.
  static std::string TakeMessage() {
    for (int i = 0; i < 100; ++i) {
      if (HWND box = WindowOf(process_.dwProcessId, kMessageWindowClass)) {
        std::string text = TextOf(::GetDlgItem(box, kMessageTextId));
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

TEST_F(Form1DriverTest, EveryControlHasItsIdAndPagesSwitch) {
  EXPECT_EQ(TextOf(form_), texts::kCaption);
  for (const ControlInfo& info : kControls) {
    EXPECT_NE(::GetDlgItem(form_, info.id), nullptr) << info.name;
  }
  EXPECT_EQ(::SendMessageW(Item(Control::SSTab1), TCM_GETITEMCOUNT, 0, 0), 3);
  for (const int page : {1, 0, 2, 1}) {
    ShowPage(page);
    for (const layout::Placement& place : layout::kPlacements) {
      // No ink is registered: the chips stay hidden on their page too.
      const bool chip = std::ranges::count(kInkChips, place.control) > 0;
      EXPECT_EQ(::IsWindowVisible(Item(place.control)) != FALSE,
                (PageOf(place.parent) == page && !chip) ||
                    place.control == Control::SSTab1)
          << Info(place.control).name << " on page " << page;
    }
  }
  // The register button reaches the core: Wine reads the screen, so the
  // state is entered, and a second click leaves it.
  ShowPage(2);
  for (const char* caption : {texts::kEndRegistering, texts::kRegisterInks}) {
    ::SendMessageW(Item(Control::Command2), BM_CLICK, 0, 0);
    Settle();
    EXPECT_EQ(TextOf(Item(Control::Command2)), caption);
  }
}

TEST_F(Form1DriverTest, TabKeyFollowsTheFocusOrderAndTheTabsKeepTheirMargin) {
  ShowPage(1);
  const DWORD thread = ::GetWindowThreadProcessId(form_, nullptr);
  const auto focused = [thread] {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    ::GetGUIThreadInfo(thread, &info);
    return info.hwndFocus;
  };
  ::SendMessageW(form_, WM_NEXTDLGCTL,
                 reinterpret_cast<WPARAM>(Item(Control::SSTab1)), TRUE);
  // The shown page's controls in the shared order (of an option group, the
  // selected button), then round to the tabs.
  std::vector<Control> chain;
  for (const Control control : kFocusOrder) {
    HWND item = Item(control);
    const bool option = std::string_view(Info(control).name).starts_with("Opt");
    if (control != Control::SSTab1 && ::IsWindowVisible(item) != FALSE &&
        (!option || ::SendMessageW(item, BM_GETCHECK, 0, 0) == BST_CHECKED)) {
      chain.push_back(control);
    }
  }
  chain.push_back(Control::SSTab1);
  ASSERT_GT(chain.size(), 4U);
  for (const Control control : chain) {
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

  // The tab control follows the window's size with equal margins. (Wine
  // scales a size set from another process by that process's DPI, so only
  // the change and the margins are compared.)
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
  EXPECT_NE(after.right - after.left, before.right - before.left);
  EXPECT_NE(after.bottom - after.top, before.bottom - before.top);
  EXPECT_GT(after.left, 0);
  EXPECT_EQ(client.right - after.right, after.left);
  EXPECT_EQ(client.bottom - after.bottom, after.top);
}

TEST_F(Form1DriverTest, PresetsRewriteTheBoxesAndCheckBoxesClickAndGray) {
  ShowPage(1);
  Type(Item(Control::Text1), "7");
  Type(Item(Control::Text2), "9");
  for (const auto& [button, magnification] :
       {std::pair{Control::Option1_1, "2"},
        std::pair{Control::Option1_0, "1"}}) {
    ::SendMessageW(Item(button), BM_CLICK, 0, 0);
    EXPECT_EQ(TextOf(Item(Control::Text1)), magnification);
    EXPECT_EQ(TextOf(Item(Control::Text2)), "2");
  }

  // Clicked, or set to its third state as another program may; the window
  // changes its band in place.
  HWND check1 = Item(Control::Check1);
  RECT before{};
  ::GetWindowRect(form_, &before);
  const struct {
    bool gray;
    LRESULT value;
    bool topmost;
  } steps[] = {{false, BST_CHECKED, true},
               {true, BST_INDETERMINATE, false},  // grayed is not topmost
               {false, BST_UNCHECKED, false},     // a click clears the gray
               {false, BST_CHECKED, true},
               {false, BST_UNCHECKED, false}};
  for (const auto& step : steps) {
    ::SendMessageW(check1, step.gray ? BM_SETCHECK : BM_CLICK,
                   step.gray ? BST_INDETERMINATE : 0, 0);
    Settle();
    EXPECT_EQ(::SendMessageW(check1, BM_GETCHECK, 0, 0), step.value);
    EXPECT_EQ((::GetWindowLongW(form_, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0,
              step.topmost)
        << &step - steps;
  }
  RECT after{};
  ::GetWindowRect(form_, &after);
  EXPECT_TRUE(::EqualRect(&before, &after));
}

TEST_F(Form1DriverTest, FilesDroppedFromAnXClientLoadOrSayWhy) {
  const std::string dir = SCRIVLET_DROP_DIR;
  std::filesystem::remove_all(WindowsPath(dir));
  std::filesystem::create_directories(WindowsPath(dir));
  // A 600 x 200 white picture: larger than the box, which grows to it.
  const art::IndexedImage white{600,
                                200,
                                std::vector<std::uint8_t>(120000, 0),
                                {{255, 255, 255}, {0, 0, 0}}};
  const std::vector<std::uint8_t> gif = art::EncodeGif89a(white, std::nullopt);
  std::ofstream(WindowsPath(dir + "/large.gif"), std::ios::binary)
      .write(reinterpret_cast<const char*>(gif.data()),
             static_cast<std::streamsize>(gif.size()));
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
  // (Size, width, height, planes, bits, compression, then zeros.)
  const BITMAPINFOHEADER header{
      sizeof(BITMAPINFOHEADER), 100, 100, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
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
