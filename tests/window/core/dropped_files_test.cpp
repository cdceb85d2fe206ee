// Which local file a drop's URI names.

#include "window/core/dropped_files.h"

#include <gtest/gtest.h>

#include "fake_form1_view.h"

namespace scrivlet {
namespace {

TEST(DroppedFilesTest, FileUrisDecodeToRawBytes) {
  struct Case {
    const char* uri;
    const char* want;  // nullptr: not a local file
  };
  for (const Case& c : {
           Case{"file:///a%20b.png", "/a b.png"},
           Case{"file:///pics/%E7%B5%B5.png\r", "/pics/絵.png"},
           Case{"file:///x/%ff%FE.gif", "/x/\xff\xfe.gif"},
           Case{"FILE://localhost/x.png", "/x.png"},
           Case{"file:/x.png", "/x.png"},
           Case{"file:///a%23b.png#frag", "/a#b.png"},
           Case{"file:///C:/p/x.png", "/C:/p/x.png"},
           Case{"file://server/share/x.png", nullptr},
           Case{"https://example.org/x.png", nullptr},
           Case{"file:///bad%G1.png", nullptr},
           Case{"file:///cut%2", nullptr},
           Case{"file:///nul%00.png", nullptr},
           Case{"x.png", nullptr},
       }) {
    const auto got = LocalPathOfUri(c.uri);
    if (c.want == nullptr) {
      EXPECT_FALSE(got.has_value()) << c.uri;
    } else {
      EXPECT_EQ(got.value_or("(none)"), testing::NativePath(c.want)) << c.uri;
    }
  }
}

}  // namespace
}  // namespace scrivlet
