// The AviSynth editor given a binary file for a script (a video renamed, a
// damaged disk): refused with a message from the main window's menu and from
// the editor's own 'Open', and the script in the editor stays.
#include <QAction>
#include <QPlainTextEdit>

#include "MainRoadFixture.h"
#include "app/ui/UtilityWindows.h"
#include "support/BrokenFiles.h"

namespace {

TEST(BrokenScriptEdit, ABinaryFileIsNoScript) {
  MainRoadWindow m(Reader::OwnAvi);
  const std::string script = "AviSource(\"a.avi\")\r\n";
  const std::vector<BrokenFile> cases = {{"a video renamed", std::string("RIFF\x24\0\0\0AVI LIST\x04\0\0\0hdrl", 24)},
                                         {"NUL bytes", std::string("AviSource(\"a.avi\")\0\0\0", 21)}};
  for (const BrokenFile& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(RefusedWithOneClearMessage(m.dialogs, m.Path("binary.avs"), c.bytes,
                                           [&] { m.Find<QAction>("AVSFileEdit1")->trigger(); }));
    EXPECT_FALSE(m.W().AvsEdit);
  }

  m.dialogs.open_file_names.push_back(WriteFileBytes(m.Path("a.avs"), script));
  m.Find<QAction>("AVSFileEdit1")->trigger();
  TAvsEdit* ed = m.W().AvsEdit;
  ASSERT_NE(ed, nullptr);
  for (const BrokenFile& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(
        RefusedWithOneClearMessage(m.dialogs, m.Path("binary.avs"), c.bytes, [&] { ed->OpenAVSFile1->trigger(); }));
    EXPECT_EQ(ed->Memo1->toPlainText(), "AviSource(\"a.avi\")");
    EXPECT_EQ(ed->FileName().toStdString(), m.Path("a.avs").string());
  }
}

}  // namespace
