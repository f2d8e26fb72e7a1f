#include "chart/ImageFileName.h"

#include <gtest/gtest.h>

TEST(ImageFileNameForType, ExtensionFollowsTheType) {
  struct Row {
    const char* name;
    int type;
    const char* expect;
  };
  for (Row r : {Row{"event.png", 2, "event.jpg"}, Row{"event.png", 1, "event.png"}, Row{"event", 3, "event.bmp"},
                Row{"event.bmp", 7, "event.png"}, Row{"C:\\obs\\x.y\\event", 2, "C:\\obs\\x.y\\event.jpg"},
                Row{"/home/o/a.b/event.jpeg", 1, "/home/o/a.b/event.png"}, Row{".png", 2, ""},
                Row{"/tmp/.png", 1, ""}, Row{"", 1, ""}})
    EXPECT_EQ(ImageFileNameForType(r.name, r.type), r.expect) << r.name << " " << r.type;
}
