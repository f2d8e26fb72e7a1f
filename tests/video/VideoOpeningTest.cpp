// Opening a video: source choice, the facts set for everybody, messages and
// the state after a failure; the AviSynth stand-in.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/AviWriter.h"
#include "support/VideoFixtures.h"
#include "video/AvsScript.h"
#include "video/VideoOpening.h"

namespace {

std::string MakeAvi(const std::string& name, uint32_t rate, uint32_t scale, int frames, int w = 84, int h = 16) {
  std::string path = FixturePath(name);
  AviWriterOptions o;
  o.rate = rate, o.scale = scale;
  AviWriter wr(path, w, h, o);
  for (int i = 0; i < frames; ++i) wr.AddFrame(NumberedFrame(w, h, i, 8));
  EXPECT_TRUE(wr.Finish());
  return path;
}

std::string ReadAll(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

TEST(VideoOpening, AviFileSourceSetsTheVideoFacts) {
  std::string path = MakeAvi("open_ntsc.avi", 30000, 1001, 12, 720 / 4, 480 / 4);
  VideoState st;
  VideoSources src;
  BeginOpenVideoFile(st, path);
  EXPECT_EQ(st.VideoFileExt, ".avi");
  EXPECT_EQ(st.AvsFileName, FixturePath("open_ntsc.avs"));
  OpenStreamResult r = OpenVideoStream(st, src, {});
  ASSERT_TRUE(r.Ok) << r.ErrorMessage;
  EXPECT_EQ(st.VideoAccessKind, 0);
  EXPECT_EQ(st.FrameSourceOpen, 1);
  EXPECT_EQ(st.ReopenVideoAfterCapture, 1);
  EXPECT_EQ(st.FrameWidth, 180);
  EXPECT_EQ(st.FrameHeight, 120);
  EXPECT_EQ(r.Edit30Text, "29.9700298");  // single-precision rate of the AVIFile source
  EXPECT_EQ(r.HintText, "Exposure length :  33.3667ms");
  EXPECT_EQ(st.FrameRateRounded, 30);
  FinishOpenVideoFile(st, src, 0);
  EXPECT_EQ(st.LastFrameIndex, 11);
  EXPECT_EQ(st.VideoOpenedOnce, 1);
  EXPECT_EQ(st.NonSquarePixels, 1);  // 1.5 : 1 at 29.97 frame/s
  Bitmap24 b;
  std::string status;
  ASSERT_TRUE(GrabVideoFrame(st, src, 7, b, status));
  EXPECT_EQ(status, "S_OK");
  EXPECT_EQ(ReadFrameNumber(b, 8), 7);
}

TEST(VideoOpening, DirectShowSourceSetsTheVideoFacts) {
  std::string path = MakeAvi("open_ds.avi", 30000, 1001, 300, 84, 16);
  VideoState st;
  st.UseDirectShow = 1;
  VideoSources src;
  BeginOpenVideoFile(st, path);
  OpenStreamResult r = OpenVideoStream(st, src, {});
  ASSERT_TRUE(r.Ok) << r.ErrorMessage;
  EXPECT_EQ(st.VideoAccessKind, 1);
  EXPECT_NEAR(double(st.VideoDuration), 10.01, 1e-9);
  EXPECT_EQ(r.Edit30Text, "29.9700300");
  FinishOpenVideoFile(st, src, 3);
  EXPECT_EQ(st.LastFrameIndex, 299);
  EXPECT_EQ(st.NonSquarePixels, 0);  // time-inserter type 3
  Bitmap24 b;
  std::string status;
  ASSERT_TRUE(GrabVideoFrame(st, src, 299, b, status));
  EXPECT_EQ(ReadFrameNumber(b, 8), 299);
  EXPECT_FALSE(GrabVideoFrame(st, src, 300, b, status));
}

TEST(VideoOpening, FailureClosesThePreviousSourceAndClearsTheFlags) {
  std::string good = MakeAvi("open_good.avi", 25, 1, 3);
  std::string bad = FixturePath("open_bad.avi");
  std::ofstream(bad, std::ios::binary) << "RIFF\x10\0\0\0AVI junkjunk";
  VideoState st;
  VideoSources src;
  BeginOpenVideoFile(st, good);
  ASSERT_TRUE(OpenVideoStream(st, src, {}).Ok);
  BeginOpenVideoFile(st, bad);
  OpenStreamResult r = OpenVideoStream(st, src, {});
  EXPECT_FALSE(r.Ok);
  EXPECT_EQ(r.ErrorMessage, "Could not open .AVI file.\r\nopen_bad.avi\r\nNot an AVI file.");
  EXPECT_EQ(st.FrameSourceOpen, 0);
  EXPECT_EQ(st.ReopenVideoAfterCapture, 0);
  EXPECT_EQ(src.GKAvi1.FrameCount(), -1);

  st.UseDirectShow = 1;
  ASSERT_TRUE(OpenVideoStream(st, src, {}).Ok == false);
  r = OpenVideoStream(st, src, {});
  EXPECT_EQ(r.ErrorMessage,
            "Could not open .AVI file.\r\nopen_bad.avi\r\nIncorrect formated file or unknown compressor.");
  EXPECT_EQ(st.FrameSourceOpen, 0);
}

TEST(VideoOpening, UndecodableCompressionGivesTheBitmapMessage) {
  std::string path = FixturePath("open_unknown_fourcc.avi");
  {
    AviWriter w(path, 16, 16);
    w.SetCompressed("QQQZ", 24);
    w.AddEncodedFrame(std::vector<uint8_t>(100, 7), true);
    ASSERT_TRUE(w.Finish());
  }
  VideoState st;
  VideoSources src;
  BeginOpenVideoFile(st, path);
  OpenStreamResult r = OpenVideoStream(st, src, {});
  EXPECT_FALSE(r.Ok);
  EXPECT_EQ(r.ErrorMessage,
            "Fail to get a bitmap.\r\nSet \"Use AVISynth\" in Update Setting Items - File reading\r\n"
            "No decoder for the compression 'QQQZ'.");
  EXPECT_EQ(st.FrameSourceOpen, 0);
  EXPECT_EQ(src.GKAvi1.FrameCount(), -1);  // the streams were released
  // Through a script that names it, with AviSynth on.
  std::string avs = FixturePath("unknown_fourcc_script.avs");
  std::ofstream(avs, std::ios::binary) << "AVISource(\"" + path + "\")\r\n";
  st.UseAviSynth = 1;
  BeginOpenVideoFile(st, avs);
  r = OpenVideoStream(st, src, {});
  EXPECT_EQ(r.ErrorMessage.rfind("Fail to get a bitmap.\r\nIt is necessary to install AVISynth\r\n", 0), 0u)
      << r.ErrorMessage;
}

TEST(VideoOpening, ExposureLengthTexts) {
  struct Row {
    long double rate;
    const char* edit30;
    const char* hint;
    int rounded;
  } rows[] = {
      {5.0L, " 5.0000000", "Exposure length : 200.0000ms", 5},
      {29.97003L, "29.9700300", "Exposure length :  33.3667ms", 30},
      {25.0L, "25.0000000", "Exposure length :  40.0000ms", 25},
      {12.5L, "12.5000000", "Exposure length :  80.0000ms", 12},  // halves to even
  };
  for (const Row& row : rows) {
    VideoState st;
    st.VideoFrameRate = row.rate;
    ExposureLengthTexts t = ShowExposureLength(st);
    EXPECT_EQ(t.Edit30, row.edit30);
    EXPECT_EQ(t.Hint, row.hint);
    EXPECT_EQ(st.FrameRateRounded, row.rounded);
  }
}

TEST(AvsScript, WrittenByteForByte) {
  VideoState st;
  BeginOpenVideoFile(st, FixturePath("script_me.avi"));
  std::string err;
  ASSERT_TRUE(WriteAvsScript(st, true, err)) << err;
  const std::string p = st.VideoFileName;
  EXPECT_EQ(ReadAll(st.AvsFileName),
            "DirectShowSource(\"" + p + "\" , pixel_type=\"RGB24\")\r\n"
            "DVInfo(\"script_me.avi\", \"rec_time\", 50, 380, \"Gothic\", 30, 255*65536+255*256+255, "
            "0*65536+0*256+0 ,\"%x\")\r\n"
            "DVInfo(\"script_me.avi\", \"rec_time\", 50, 410, \"Gothic\", 30, 255*65536+255*256+255, "
            "0*65536+0*256+0 ,\"%X\")\r\n");
  ASSERT_TRUE(WriteAvsScript(st, false, err));
  EXPECT_EQ(ReadAll(st.AvsFileName), "DirectShowSource(\"" + p + "\" , pixel_type=\"RGB24\")\r\n");
}

// A script string has no escape for a double quote, so a script for a video
// whose name holds one would name another file ("quote" here, cut at the
// quote). The open through AviSynth is refused with the reason instead, also
// when such a script was left from before; without AviSynth the video opens.
TEST(AvsScript, AVideoPathWithADoubleQuoteIsNotScripted) {
  MakeAvi("quote", 30000, 1001, 4);
  const std::string avi = MakeAvi("quote\"d.avi", 30000, 1001, 10);
  const std::string avs = FixturePath("quote\"d.avs");
  struct Case {
    bool stale_script, use_avisynth;
  } cases[] = {{false, true}, {true, true}, {false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.stale_script ? "stale script" : "no script") + (c.use_avisynth ? ", AviSynth" : ""));
    std::filesystem::remove(avs);
    if (c.stale_script) std::ofstream(avs, std::ios::binary) << "DirectShowSource(\"" + avi + "\")\r\n";
    VideoState st;
    st.UseAviSynth = c.use_avisynth;
    VideoSources src;
    BeginOpenVideoFile(st, avi);
    OpenStreamResult r = OpenVideoStream(st, src, {true});
    if (c.use_avisynth) {
      EXPECT_FALSE(r.Ok);
      EXPECT_NE(r.ErrorMessage.find("double quote"), std::string::npos) << r.ErrorMessage;
      EXPECT_NE(src.GKAvi1.FrameCount(), 4);
    } else {
      ASSERT_TRUE(r.Ok) << r.ErrorMessage;
      EXPECT_EQ(src.GKAvi1.FrameCount(), 10);
    }
    EXPECT_EQ(std::filesystem::exists(avs), c.stale_script);  // nothing written
  }
  std::string err;
  VideoState st;
  BeginOpenVideoFile(st, avi);
  EXPECT_FALSE(WriteAvsScript(st, false, err));
  EXPECT_NE(err.find("double quote"), std::string::npos) << err;
}

TEST(AvsScript, OpensTheNamedVideoThroughTheMatchingSource) {
  std::string avi = MakeAvi("scripted.avi", 30000, 1001, 10);
  VideoState st;
  st.UseAviSynth = 1;
  VideoSources src;
  BeginOpenVideoFile(st, avi);
  OpenStreamResult r = OpenVideoStream(st, src, {true});  // writes the script with DVInfo, opens it
  ASSERT_TRUE(r.Ok) << r.ErrorMessage;
  EXPECT_EQ(src.GKAvi1.FrameCount(), 10);
  ASSERT_EQ(src.GKAvi1.ScriptLog().size(), 2u);
  EXPECT_NE(src.GKAvi1.ScriptLog()[0].find("DVInfo"), std::string::npos);
  Bitmap24 b;
  ASSERT_TRUE(src.GKAvi1.GetFrameBitmap(9, b));
  EXPECT_EQ(ReadFrameNumber(b, 8), 9);

  // AVISource with LF line ends and a comment, opened as ".AVS".
  std::string avs = FixturePath("by_hand.AVS");
  std::ofstream(avs, std::ios::binary) << "# made by hand\nAVISource(\"" + avi + "\")\n";
  VideoState st2;
  st2.UseDirectShow = 1;
  BeginOpenVideoFile(st2, avs);
  r = OpenVideoStream(st2, src, {});
  ASSERT_TRUE(r.Ok) << r.ErrorMessage;
  EXPECT_TRUE(r.ScriptForcesAviFile);
  EXPECT_EQ(st2.UseDirectShow, 0);
  ASSERT_NE(src.GKAvi1.Contents(), nullptr);
  ASSERT_TRUE(src.GKAvi1.GetFrameBitmap(3, b));
  EXPECT_EQ(ReadFrameNumber(b, 8), 3);
}

// A script that cannot be written (a folder holds its name) and so cannot be
// opened: the message says why instead of naming only the video.
TEST(AvsScript, AScriptThatCannotBeWrittenIsTheReasonGiven) {
  std::string avi = MakeAvi("unscriptable.avi", 25, 1, 3);
  VideoState st;
  st.UseAviSynth = 1;
  VideoSources src;
  BeginOpenVideoFile(st, avi);
  std::filesystem::create_directories(st.AvsFileName);
  OpenStreamResult r = OpenVideoStream(st, src, {});
  EXPECT_FALSE(r.Ok);
  EXPECT_EQ(r.ErrorMessage.rfind("Could not open .AVI file.\r\nunscriptable.avi\r\n", 0), 0u) << r.ErrorMessage;
  EXPECT_NE(r.ErrorMessage.find("\r\nThe AviSynth script could not be written (Cannot replace " + st.AvsFileName),
            std::string::npos)
      << r.ErrorMessage;
  EXPECT_TRUE(std::filesystem::is_directory(st.AvsFileName));
  for (const auto& e : std::filesystem::directory_iterator(std::filesystem::path(avi).parent_path()))
    EXPECT_EQ(e.path().filename().string().rfind("unscriptable.avs.", 0), std::string::npos) << e.path();
}

TEST(AvsScript, OtherScriptsFail) {
  const char* scripts[] = {"", "Version()\r\n", "ImageSource(\"a.bmp\")\r\n", "DirectShowSource()\r\n",
                           "AVISource(\"/nowhere/none.avi\")\r\n"};
  int k = 0;
  for (const char* text : scripts) {
    std::string avs = FixturePath("bad" + std::to_string(k++) + ".avs");
    std::ofstream(avs, std::ios::binary) << text;
    VideoState st;
    VideoSources src;
    BeginOpenVideoFile(st, avs);
    OpenStreamResult r = OpenVideoStream(st, src, {});
    EXPECT_FALSE(r.Ok) << text;
    EXPECT_EQ(st.FrameSourceOpen, 0);
  }
}

}  // namespace
