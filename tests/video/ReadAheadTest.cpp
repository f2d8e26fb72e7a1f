// Reading frames ahead during a run: in every order the window may ask for
// frames, each grab gives what a plain read of the same file gives, and the
// frame the picture's own number says.
#include <gtest/gtest.h>

#include <stdexcept>

#include "support/AviWriter.h"
#include "support/VideoFixtures.h"
#include "video/DirectShowSource.h"
#include "video/FrameReadAhead.h"

namespace {

constexpr int kW = 192, kH = 64, kCount = 40, kBlock = 8;

// Numbered frames first..first+kCount-1 as MJPEG made by the ffmpeg tool.
std::string NumberedMjpeg(const std::string& name, int first) {
  const std::string raw = FixturePath(name + "_source.avi");
  AviWriterOptions o;
  o.rate = 30;
  AviWriter w(raw, kW, kH, o);
  for (int n = 0; n < kCount; ++n) w.AddFrame(NumberedFrame(kW, kH, first + n, kBlock));
  EXPECT_TRUE(w.Finish());
  const std::string out = FixturePath(name + ".avi");
  EXPECT_TRUE(RunFfmpeg("-i '" + raw + "' -c:v mjpeg -q:v 3 -pix_fmt yuvj420p '" + out + "'"));
  return out;
}

const std::string& RunVideo() {
  static const std::string path = NumberedMjpeg("ahead_run", 0);
  return path;
}

const std::string& OtherVideo() {
  static const std::string path = NumberedMjpeg("ahead_other", 100);
  return path;
}

struct Op {
  enum Kind { Grab, AheadOn, AheadOff, OpenOther, Close, Factor } kind;
  int value = 0;
};

std::vector<Op> Grabs(int from, int to, int step = 1) {
  std::vector<Op> ops;
  for (int n = from; step > 0 ? n <= to : n >= to; n += step) ops.push_back({Op::Grab, n});
  return ops;
}

std::vector<Op> Join(std::initializer_list<std::vector<Op>> parts) {
  std::vector<Op> all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

struct AheadCase {
  const char* name;
  std::vector<Op> ops;
};

class ReadAhead : public ::testing::TestWithParam<AheadCase> {};

// The same grabs on a source reading ahead and on a plain one: the same
// status, the same bitmap (untouched alike when a grab fails).
TEST_P(ReadAhead, GivesWhatAPlainReadGives) {
  DirectShowSource ahead, plain;
  ASSERT_EQ(ahead.DSOpenVideo(RunVideo()), "");
  ASSERT_EQ(plain.DSOpenVideo(RunVideo()), "");
  const long double rate = plain.DSFrameRate();
  ASSERT_EQ(plain.FrameCount(rate), kCount);
  long double factor = 1.0L;
  int first = 0;
  Bitmap24 a, p;
  std::string sa, sp;
  for (const Op& op : GetParam().ops) {
    switch (op.kind) {
      case Op::AheadOn:
        ahead.SetReadAhead(true);
        break;
      case Op::AheadOff:
        ahead.SetReadAhead(false);
        break;
      case Op::OpenOther:
        ahead.DSCloseVideo();
        plain.DSCloseVideo();
        ASSERT_EQ(ahead.DSOpenVideo(OtherVideo()), "");
        ASSERT_EQ(plain.DSOpenVideo(OtherVideo()), "");
        first = 100;
        break;
      case Op::Close:
        ahead.DSCloseVideo();
        plain.DSCloseVideo();
        break;
      case Op::Factor:
        factor = op.value;
        break;
      case Op::Grab:
        // As the window's grab does: an empty status says nothing was read.
        sa.clear();
        sp.clear();
        ahead.DSGrabFrame(op.value, a, sa, rate, factor);
        plain.DSGrabFrame(op.value, p, sp, rate, factor);
        ASSERT_EQ(sa, sp) << "frame " << op.value;
        ASSERT_TRUE(a == p) << "frame " << op.value;
        if (sa == "S_OK" && factor == 1.0L) {
          EXPECT_EQ(ReadFrameNumber(a, kBlock), first + op.value);
        }
        break;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Orders, ReadAhead,
    ::testing::Values(
        AheadCase{"RunToTheEndAndPast", Join({{{Op::AheadOn}}, Grabs(0, kCount - 1), Grabs(kCount, kCount)})},
        AheadCase{"SeekForwardAndBackMidRun", Join({{{Op::AheadOn}}, Grabs(0, 9), Grabs(25, 28), Grabs(3, 5)})},
        AheadCase{"StepButtonsMidRun", Join({{{Op::AheadOn}}, Grabs(0, 5), Grabs(4, 4), Grabs(34, 34), Grabs(4, 4),
                                            Grabs(5, 8)})},
        AheadCase{"FrameStepThree", Join({{{Op::AheadOn}}, Grabs(0, kCount - 1, 3)})},
        AheadCase{"BackwardOrder", Join({{{Op::AheadOn}}, Grabs(kCount - 1, 30, -1)})},
        AheadCase{"StopAndResume", Join({{{Op::AheadOn}}, Grabs(0, 9), {{Op::AheadOff}}, Grabs(9, 9),
                                        {{Op::AheadOn}}, Grabs(10, 15)})},
        AheadCase{"ChangedVideo", Join({{{Op::AheadOn}}, Grabs(0, 9), {{Op::OpenOther}}, Grabs(10, 14)})},
        AheadCase{"ClosedVideo", Join({{{Op::AheadOn}}, Grabs(0, 4), {{Op::Close}}, Grabs(5, 6)})},
        AheadCase{"RateFactorChanges", Join({{{Op::AheadOn}}, Grabs(0, 5), {{Op::Factor, 2}}, Grabs(6, 8)})}),
    [](const auto& info) { return std::string(info.param.name); });

// The reader alone, with reads that paint, fail and throw.
TEST(FrameReadAheadAlone, HandsOverTheQueuedFramesInTurn) {
  FrameReadAhead ahead;
  auto paint = [](uint8_t value) {
    return [value](Bitmap24& out, std::string& status) {
      out = Bitmap24(2, 2);
      out.Set(0, 0, {value, value, value});
      status = "S_OK";
      return true;
    };
  };
  Bitmap24 out(1, 1);
  std::string status = "before";
  ahead.Start({5, 30}, paint(7));
  ahead.Start({6, 30}, paint(8));
  EXPECT_EQ(ahead.Queued(), 2u);
  ASSERT_TRUE(ahead.LastQueued().has_value());
  EXPECT_EQ(ahead.LastQueued()->Frame, 6);
  // Not the first queued: nothing handed over, and the queue is dropped.
  EXPECT_FALSE(ahead.Take({6, 30}, out, status));
  EXPECT_EQ(out.Width(), 1);
  EXPECT_EQ(status, "before");
  EXPECT_EQ(ahead.Queued(), 0u);
  // The same frame timed by another rate is another frame.
  ahead.Start({5, 30}, paint(7));
  EXPECT_FALSE(ahead.Take({5, 60}, out, status));
  // Taken in turn, each once.
  ahead.Start({5, 30}, paint(9));
  ahead.Start({6, 30}, paint(3));
  ASSERT_TRUE(ahead.Take({5, 30}, out, status));
  EXPECT_EQ(status, "S_OK");
  EXPECT_EQ(out.Get(0, 0).g, 9);
  ASSERT_TRUE(ahead.Take({6, 30}, out, status));
  EXPECT_EQ(out.Get(0, 0).g, 3);
  EXPECT_FALSE(ahead.Take({6, 30}, out, status));
  ahead.Start({7, 30}, paint(1));
  ahead.Drop();
  EXPECT_FALSE(ahead.Take({7, 30}, out, status));
  EXPECT_EQ(out.Get(0, 0).g, 3);

  // A failed read hands over its reason and leaves the bitmap as it was.
  ahead.Start({7, 30}, [](Bitmap24&, std::string& s) {
    s = "The frame number is out of range.";
    return false;
  });
  ASSERT_TRUE(ahead.Take({7, 30}, out, status));
  EXPECT_EQ(status, "The frame number is out of range.");
  EXPECT_EQ(out.Get(0, 0).g, 3);

  // An exception of the read reaches the one who takes the frame, not the
  // one who drops it.
  auto throwing = [](Bitmap24&, std::string&) -> bool { throw std::runtime_error("no memory"); };
  ahead.Start({8, 30}, throwing);
  EXPECT_THROW(ahead.Take({8, 30}, out, status), std::runtime_error);
  ahead.Start({8, 30}, throwing);
  EXPECT_NO_THROW(ahead.Drop());
}

}  // namespace
