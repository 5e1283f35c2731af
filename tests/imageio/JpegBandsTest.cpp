// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// JPEG coding in bands. Encoding: the joined stream equals the one-piece encoding byte for byte
// whatever the cut, sampling, DCT, quality and picture, and the join's pieces refuse what they
// cannot place rather than guess. Decoding: the bands' pixels equal the one-piece decode for
// every sampling and colour space, and damaged data is decoded in one piece as before.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <fstream>
#include <future>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "CodecTestSupport.h"
#include "imageio/ImageIo.h"
#include "imageio/Jpeg.h"
#include "imageio/JpegBandJoin.h"
#include "imageio/LibraryContext.h"
#include "imageio/LibraryError.h"
#include "platform/RowBands.h"
#include "platform/ThreadBudget.h"

namespace orv {
namespace {

std::vector<uint8_t> EncodeWith(int threads, const std::vector<uint8_t>& px, int w, int h,
                                const JpegEncodeOptions& o) {
  ScopedThreadLimit limit(threads);
  std::vector<uint8_t> buf(size_t(w) * size_t(h) * 3 + 100000);
  ImageDest* dest = OpenDestMemory(buf.data(), buf.size());
  const uint64_t size = WriteJpeg(dest, px.data(), w, h, o);
  CloseDest(dest);
  buf.resize(size_t(size));
  return buf;
}

// Noise (long codes, many coefficients up to the last), flat blocks with thin lines (end of
// block almost everywhere) and the smooth test pattern.
std::vector<uint8_t> Picture(int kind, int w, int h) {
  std::vector<uint8_t> p(size_t(w) * size_t(h) * 3);
  std::mt19937 rng(uint32_t(w * 7919 + h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 3; ++c) {
        uint8_t& v = p[(size_t(y) * size_t(w) + size_t(x)) * 3 + size_t(c)];
        if (kind == 0) v = uint8_t(rng());
        else if (kind == 1) v = (x % 97 == 0 || y % 89 == 0) ? 250 : uint8_t(40 + 60 * c);
        else v = uint8_t(x * 37 + y * 11 + c * 29);
      }
  return p;
}

TEST(JpegBands, JoinedStreamEqualsTheOnePieceEncoding) {
  struct Size {
    int w, h;
  };
  // Heights that cut into many bands with a partial last MCU row, one cut tapered (low bands
  // last) at 2 threads whatever the MCU height, and one too small to cut.
  const Size sizes[] = {{64, 520}, {67, 257}, {333, 700}, {1001, 1003}, {64, 4101}, {64, 33}};
  {
    ScopedThreadLimit two(2);
    ASSERT_TRUE(CutRowBands(0, (4101 + 15) / 16, 16).tapered);
  }
  std::vector<std::pair<const char*, JpegEncodeOptions>> settings;
  auto add = [&](const char* name, auto change) {
    JpegEncodeOptions o;
    change(o);
    settings.emplace_back(name, o);
  };
  add("q88 full chroma", [](JpegEncodeOptions& o) { o.quality = 88, o.fullChroma = true; });
  add("q75 2x2 chroma", [](JpegEncodeOptions& o) { o.quality = 75; });
  add("q100", [](JpegEncodeOptions& o) { o.quality = 100; });
  add("grey q95", [](JpegEncodeOptions& o) { o.quality = 95, o.bits = 8; });
  add("fast DCT", [](JpegEncodeOptions& o) { o.dct = JpegDct::FastInteger; });
  add("float DCT q97", [](JpegEncodeOptions& o) {
    o.dct = JpegDct::FloatingPoint, o.quality = 97, o.fullChroma = true;
  });
  static const uint8_t kExif[] = {'E', 'x', 'i', 'f', 0, 0, 1, 2, 3};
  static const JpegSegment kSegments[] = {{0xE1, kExif}, {kJpegComment, kExif}};
  add("segments", [](JpegEncodeOptions& o) { o.segments = kSegments; });

  for (const Size& s : sizes)
    for (int kind = 0; kind < 3; ++kind) {
      const std::vector<uint8_t> px = Picture(kind, s.w, s.h);
      for (const auto& [name, o] : settings) {
        SCOPED_TRACE(::testing::Message() << s.w << " x " << s.h << ", picture " << kind
                                          << ", " << name);
        const std::vector<uint8_t> whole = EncodeWith(1, px, s.w, s.h, o);
        ASSERT_FALSE(whole.empty());
        // Bands hold at least 16 MCU rows, so two bands need 32.
        const int mcuHeight = o.bits == 24 && !o.fullChroma ? 16 : 8;
        const bool cut = (s.h + mcuHeight - 1) / mcuHeight >= 32;
        for (int threads : {2, 3, 7}) {
          const uint64_t before = JpegBandedEncodeCount();
          EXPECT_EQ(EncodeWith(threads, px, s.w, s.h, o), whole) << threads << " threads";
          // Joined, not encoded again in one piece.
          if (cut) {
            EXPECT_EQ(JpegBandedEncodeCount(), before + 1) << threads << " threads";
          }
        }
      }
    }
}

TEST(JpegBands, ProgressiveAndOneThreadAreNotCut) {
  const std::vector<uint8_t> px = Picture(2, 200, 600);
  JpegEncodeOptions o;
  o.progressive = true;
  const uint64_t before = JpegBandedEncodeCount();
  EXPECT_EQ(EncodeWith(4, px, 200, 600, o), EncodeWith(1, px, 200, 600, o));
  EXPECT_EQ(JpegBandedEncodeCount(), before);
}

TEST(JpegBands, StopFromTheProgressCallbackEndsEveryBandWithoutOutput) {
  ScopedThreadLimit limit(3);
  const std::vector<uint8_t> px = Picture(0, 256, 1024);
  std::vector<uint8_t> buf(px.size() + 100000);
  ImageDest* dest = OpenDestMemory(buf.data(), buf.size());
  SetLibraryProgressCallback([](void*, int row, int) { return row < 300; }, nullptr);
  EXPECT_EQ(WriteJpeg(dest, px.data(), 256, 1024, JpegEncodeOptions{}), 0u);
  EXPECT_EQ(GetLastLibraryError(), 14u);
  EXPECT_EQ(DestSize(dest), 0);
  SetLibraryProgressCallback(nullptr, nullptr);
  EXPECT_GT(WriteJpeg(dest, px.data(), 256, 1024, JpegEncodeOptions{}), 0u);
  CloseDest(dest);
}

// A bit string from '0' and '1' characters, with the readable zero bytes the join needs.
struct Bits {
  std::vector<uint8_t> bytes;
  UnstuffedBits view;
  explicit Bits(const std::string& s) : bytes(s.size() / 8 + 9, 0) {
    for (size_t i = 0; i < s.size(); ++i)
      if (s[i] == '1') bytes[i / 8] |= uint8_t(0x80 >> (i % 8));
    view = {bytes.data(), uint64_t(s.size())};
  }
};

TEST(JpegBandJoin, DataEndIsFoundOnlyWhereOnePlaceFits) {
  const Bits stream("00000111");  // data, then padding of one bits
  const Bits zero("0"), one("1"), wrong("11");
  EXPECT_EQ(FindDataEnd(stream.view, {&zero.view, 0, 1}, 0), 5);
  EXPECT_EQ(FindDataEnd(stream.view, {&zero.view, 0, 1}, 5), -1);  // before the earliest start
  // A last MCU ending in one bits could end before any of the padding's ones: refused.
  EXPECT_EQ(FindDataEnd(stream.view, {&one.view, 0, 1}, 0), -1);
  const Bits flat("0000010");
  EXPECT_EQ(FindDataEnd(flat.view, {&wrong.view, 0, 2}, 0), -1);  // nowhere
}

TEST(JpegBandJoin, JoinedBitsArePaddedAndStuffed) {
  std::mt19937 rng(5);
  std::vector<std::string> pieces;
  std::string all;
  for (int i = 0; i < 6; ++i) {
    std::string s;
    // Runs of ones make 0xFF bytes at every alignment; one piece crosses a join block.
    const size_t n = i == 3 ? 65536 * 8 + 13 : size_t(rng() % 300 + 1);
    for (size_t b = 0; b < n; ++b) s += (rng() % 4 == 0) ? '0' : '1';
    pieces.push_back("101" + s);
    all += s;
  }
  std::vector<Bits> bits;
  bits.reserve(pieces.size());
  std::vector<BitRange> ranges;
  for (const std::string& p : pieces) {
    bits.emplace_back(p);
    ranges.push_back({&bits.back().view, 3, uint64_t(p.size())});
  }
  std::vector<uint8_t> joined;
  ASSERT_TRUE(JoinBitRanges(ranges, [&](const uint8_t* b, size_t n) {
    joined.insert(joined.end(), b, b + n);
    return true;
  }));
  while (all.size() % 8) all += '1';
  std::vector<uint8_t> expected;
  for (size_t i = 0; i < all.size(); i += 8) {
    const uint8_t byte = uint8_t(std::stoi(all.substr(i, 8), nullptr, 2));
    expected.push_back(byte);
    if (byte == 0xFF) expected.push_back(0);
  }
  EXPECT_EQ(joined, expected);
  EXPECT_FALSE(JoinBitRanges(ranges, [](const uint8_t*, size_t) { return false; }));
}

TEST(JpegBandJoin, StreamsTheJoinCannotReadAreRefused) {
  const std::vector<uint8_t> px = Picture(2, 48, 40);
  JpegEncodeOptions o;
  std::vector<uint8_t> baseline = EncodeWith(1, px, 48, 40, o);
  JpegScanLayout layout;
  ASSERT_TRUE(ParseJpegScanLayout(baseline, &layout));
  EXPECT_EQ(layout.mcusPerRow, 3);
  EXPECT_EQ(layout.mcuRowHeight, 16);
  EXPECT_EQ(layout.height, 40);
  std::vector<uint8_t> buffer = baseline;
  buffer.resize(buffer.size() + 8);
  UnstuffedBits bits;
  ASSERT_TRUE(UnstuffEntropyInPlace(buffer, baseline.size(), layout.headerEnd, &bits));
  std::vector<uint64_t> starts;
  // Three MCU rows of three MCUs, then nothing but padding.
  ASSERT_TRUE(WalkMcus(layout, bits, 9, &starts));
  EXPECT_LT(bits.bitCount - starts.back(), 8u);
  EXPECT_FALSE(WalkMcus(layout, bits, 12, &starts));

  o.progressive = true;
  EXPECT_FALSE(ParseJpegScanLayout(EncodeWith(1, px, 48, 40, o), &layout));
  EXPECT_FALSE(ParseJpegScanLayout(std::vector<uint8_t>{0xFF, 0xD8, 0xFF}, &layout));

  // A marker inside the entropy-coded data, a missing end, no room for the readable zeros.
  std::vector<uint8_t> marked = {0x12, 0xFF, 0xD0, 0x34, 0xFF, 0xD9};
  std::vector<uint8_t> room = marked;
  room.resize(marked.size() + 8);
  EXPECT_FALSE(UnstuffEntropyInPlace(room, marked.size(), 0, &bits));
  std::vector<uint8_t> stuffed = {0x12, 0xFF, 0x00, 0x34, 0xFF, 0xD9};
  room = stuffed;
  room.resize(stuffed.size() + 8);
  ASSERT_TRUE(UnstuffEntropyInPlace(room, stuffed.size(), 0, &bits));
  EXPECT_EQ(bits.bitCount, 24u);
  EXPECT_EQ(std::vector<uint8_t>(bits.data, bits.data + 3), (std::vector<uint8_t>{0x12, 0xFF, 0x34}));
  EXPECT_FALSE(UnstuffEntropyInPlace(room, stuffed.size() - 1, 0, &bits));
  EXPECT_FALSE(UnstuffEntropyInPlace(std::span<uint8_t>(room).first(stuffed.size() + 4),
                                     stuffed.size(), 0, &bits));
}

// A baseline JPEG straight from libjpeg, with luma sampling factors h x v (chroma 1 x 1), or
// CMYK with every factor 1; with optimized Huffman tables or restart markers if asked.
struct Coding {
  bool optimize = false;
  int restartRows = 0;
};
std::vector<uint8_t> EncodeSampled(int w, int h, int hy, int vy, bool cmyk, Coding coding = {}) {
  const int n = cmyk ? 4 : 3;
  std::vector<uint8_t> px(size_t(w) * size_t(h) * size_t(n));
  for (size_t i = 0; i < px.size(); ++i) px[i] = uint8_t((i * 2654435761u) >> 13);
  testing::LibjpegSettings s;
  s.lumaH = hy;
  s.lumaV = vy;
  s.optimize = coding.optimize;
  s.restartRows = coding.restartRows;
  return testing::EncodeWithLibjpeg(px.data(), w, h, n, s);
}

struct Pixels {
  std::vector<uint8_t> bytes;
  unsigned error = 0;
  bool truncated = false;
  bool operator==(const Pixels&) const = default;
};

// Decodes at the thread limit in force.
Pixels Decode(const std::vector<uint8_t>& file, int bits) {
  SetJpegDecodeScale(1, 1);
  Pixels out;
  ImageSource* src = OpenSourceMemory(file.data(), file.size());
  int w = 0, h = 0;
  uint8_t* p = ReadJpeg(src, bits, &w, &h);
  CloseSource(src);
  if (!p) {
    out.error = GetLastLibraryError();
    return out;
  }
  out.bytes.assign(p, p + size_t(w) * size_t(h) * size_t(bits / 8));
  out.truncated = JpegInputWasTruncated();
  FreeLibraryBuffer(p);
  return out;
}

Pixels DecodeWith(int threads, const std::vector<uint8_t>& file, int bits) {
  ScopedThreadLimit limit(threads);
  return Decode(file, bits);
}

TEST(JpegBands, BandedDecodeEqualsTheOnePieceDecode) {
  struct Case {
    int w, h, hy, vy;
    bool cmyk;
    Coding coding;
  };
  // Every luma sampling libjpeg upsamples differently (fancy 2 x 2 and 2 x 1 need the rows
  // around a band's edge), CMYK, and heights that end mid MCU row; optimized tables (the lower
  // bands walk to their rows with codes only the picture uses) and restart markers (the lower
  // bands have libjpeg skip the rows above).
  const Coding plain, optimized{true, 0}, restarts{false, 3};
  const Case cases[] = {{333, 700, 2, 2, false, plain},     {1001, 517, 2, 1, false, plain},
                        {64, 777, 1, 2, false, plain},      {200, 600, 1, 1, false, plain},
                        {130, 1003, 4, 1, false, plain},    {161, 560, 1, 1, true, plain},
                        {333, 700, 2, 2, false, optimized}, {257, 611, 2, 2, false, restarts}};
  for (const Case& k : cases) {
    const std::vector<uint8_t> file = EncodeSampled(k.w, k.h, k.hy, k.vy, k.cmyk, k.coding);
    for (int bits : {24, 8}) {
      SCOPED_TRACE(::testing::Message()
                   << k.w << " x " << k.h << ", " << k.hy << " x " << k.vy
                   << (k.cmyk ? ", CMYK" : "") << (k.coding.optimize ? ", optimized" : "")
                   << (k.coding.restartRows ? ", restarts" : "") << ", " << bits << " bits");
      const Pixels whole = DecodeWith(1, file, bits);
      ASSERT_EQ(whole.error, 0u);
      for (int threads : {2, 3, 4}) {
        const uint64_t before = JpegBandedDecodeCount(), resumed = JpegResumedBandCount();
        EXPECT_EQ(DecodeWith(threads, file, bits), whole) << threads << " threads";
        EXPECT_EQ(JpegBandedDecodeCount(), before + 1) << threads << " threads";
        if (k.coding.restartRows)
          EXPECT_EQ(JpegResumedBandCount(), resumed) << threads << " threads";
        else
          EXPECT_GT(JpegResumedBandCount(), resumed) << threads << " threads";
      }
    }
  }
  // Grey written by the encoder.
  const std::vector<uint8_t> grey = EncodeWith(1, Picture(0, 300, 901), 300, 901, [] {
    JpegEncodeOptions o;
    o.bits = 8;
    return o;
  }());
  EXPECT_EQ(DecodeWith(3, grey, 8), DecodeWith(1, grey, 8));
  EXPECT_EQ(DecodeWith(3, grey, 24), DecodeWith(1, grey, 24));
}

TEST(JpegBands, ALowerBandDoneEarlyTakesBackTheTopsLastRows) {
  // The caller's progress callback runs on the caller's thread, which decodes the top band (the
  // first task), and holds it up: the lower band ends first and decodes the top's last rows,
  // resumed at the row above them.
  const std::vector<uint8_t> file = EncodeSampled(333, 1400, 2, 2, false);
  const Pixels whole = DecodeWith(1, file, 24);
  ASSERT_EQ(whole.error, 0u);
  ScopedThreadLimit limit(2);
  const uint64_t before = JpegTakenBackRows();
  for (int attempt = 0; attempt < 5 && JpegTakenBackRows() == before; ++attempt) {
    SetLibraryProgressCallback(
        [](void*, int, int) {
          std::this_thread::sleep_for(std::chrono::microseconds(100));
          return true;
        },
        nullptr);
    EXPECT_EQ(Decode(file, 24), whole);
    SetLibraryProgressCallback(nullptr, nullptr);
  }
  EXPECT_GT(JpegTakenBackRows(), before);
}

TEST(JpegBands, FileSourcesDecodeInBandsToo) {
  testing::TempDir dir;
  const std::vector<uint8_t> file = EncodeSampled(640, 800, 2, 2, false);
  const std::string path = dir.File("banded.jpg");
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()),
                                              std::streamsize(file.size()));
  ScopedThreadLimit limit(2);
  ImageSource* src = OpenSourceFile(path.c_str());
  ASSERT_NE(src, nullptr);
  int w = 0, h = 0;
  const uint64_t before = JpegBandedDecodeCount();
  uint8_t* p = ReadJpeg(src, 24, &w, &h);
  CloseSource(src);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(JpegBandedDecodeCount(), before + 1);
  EXPECT_EQ(std::vector<uint8_t>(p, p + size_t(w) * size_t(h) * 3), DecodeWith(1, file, 24).bytes);
  FreeLibraryBuffer(p);
}

TEST(JpegBands, DamagedDataIsDecodedInOnePieceAsBefore) {
  const std::vector<uint8_t> file = EncodeSampled(400, 900, 2, 2, false);
  // Cut short in the lower half, and a stray marker in the upper half's data (libjpeg warns and
  // resynchronises).
  std::vector<uint8_t> cut(file.begin(), file.begin() + long(file.size() * 3 / 4));
  std::vector<uint8_t> spoiled = file;
  const uint8_t stray[] = {0xFF, 0xD5};
  spoiled.insert(spoiled.begin() + long(file.size() / 3), stray, stray + 2);
  for (const auto* damaged : {&cut, &spoiled}) {
    const Pixels whole = DecodeWith(1, *damaged, 24);
    const uint64_t before = JpegBandedDecodeCount();
    EXPECT_EQ(DecodeWith(2, *damaged, 24), whole);
    EXPECT_EQ(DecodeWith(4, *damaged, 24), whole);
    EXPECT_EQ(JpegBandedDecodeCount(), before);
  }
  EXPECT_TRUE(DecodeWith(2, cut, 24).truncated);
}

TEST(JpegBands, GarbageDataIsSkippedSafelyAndDecodedAsInOnePiece) {
  // A tall picture whose lower entropy-coded data is noise: the lower bands skip through it (or
  // start in it), and whatever libjpeg makes of it, the bands must match the one-piece decode.
  const std::vector<uint8_t> file = EncodeSampled(96, 1200, 2, 2, false);
  std::mt19937 rng(17);
  for (int round = 0; round < 4; ++round) {
    std::vector<uint8_t> noisy = file;
    for (size_t i = file.size() / 4 + size_t(round) * 997; i + 2 < file.size(); ++i)
      noisy[i] = uint8_t(rng());
    SCOPED_TRACE(round);
    const Pixels whole = DecodeWith(1, noisy, 24);
    EXPECT_EQ(DecodeWith(2, noisy, 24), whole);
    EXPECT_EQ(DecodeWith(4, noisy, 8).error, DecodeWith(1, noisy, 8).error);
  }
}

// Another photo worker, holding its slot of the thread budget on a thread of its own until
// Release().
class OtherWorker {
 public:
  OtherWorker() {
    std::promise<void> holding;
    thread_ = std::thread([this, &holding] {
      WorkerSlot slot;
      holding.set_value();
      std::unique_lock<std::mutex> lock(mutex_);
      cv_.wait(lock, [this] { return released_; });
    });
    holding.get_future().wait();
  }
  ~OtherWorker() {
    Release();
    thread_.join();
  }
  void Release() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      released_ = true;
    }
    cv_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool released_ = false;
  std::thread thread_;
};

// The caller's top band, seen through the progress callback (one call a row it decodes; the
// row it is told counts every band's rows): at its 16th row the other worker lets its core go,
// and the top then waits a little a row until a helper's rows show, so that the helper comes
// well before the top is too far on.
struct TopWatch {
  OtherWorker* other;
  int calls = 0;
  bool helperSeen = false;
  static bool Row(void* user, int row, int) {
    auto* w = static_cast<TopWatch*>(user);
    ++w->calls;
    if (w->calls == 16) w->other->Release();
    w->helperSeen = w->helperSeen || row + 1 > w->calls;
    if (w->calls >= 16 && !w->helperSeen && w->calls < 80)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return true;
  }
};

TEST(JpegBands, ACoreFreedDuringADecodeTakesTheRowsBelowALateCut) {
  // Every core busy at the start (this thread's slot and another worker's, of two): the caller
  // decodes from the top, and the rows below stay on offer.
  const std::vector<uint8_t> file = EncodeSampled(333, 1400, 2, 2, false);
  const Pixels whole = DecodeWith(1, file, 24);
  ASSERT_EQ(whole.error, 0u);
  ScopedThreadLimit limit(2);
  WorkerSlot mine;
  {
    // The other core frees up after the top's first rows: a helper takes the lower rows.
    OtherWorker other;
    TopWatch watch{&other};
    SetLibraryProgressCallback(TopWatch::Row, &watch);
    const uint64_t before = JpegBandedDecodeCount();
    EXPECT_EQ(Decode(file, 24), whole);
    SetLibraryProgressCallback(nullptr, nullptr);
    EXPECT_TRUE(watch.helperSeen);
    EXPECT_EQ(JpegBandedDecodeCount(), before + 1);
    EXPECT_LT(watch.calls, 1400) << "the top stopped at the cut";
  }
  {
    // Nobody comes: the top decodes every row, as the one-piece decode.
    OtherWorker other;
    const uint64_t before = JpegBandedDecodeCount();
    EXPECT_EQ(Decode(file, 24), whole);
    EXPECT_EQ(JpegBandedDecodeCount(), before);
  }
  {
    // A stop from the top's rows ends the decode with nothing, whoever has the lower rows.
    OtherWorker other;
    SetLibraryProgressCallback([](void*, int row, int) { return row < 100; }, nullptr);
    EXPECT_TRUE(Decode(file, 24).bytes.empty());
    EXPECT_EQ(GetLastLibraryError(), 14u);
    SetLibraryProgressCallback(nullptr, nullptr);
  }
  {
    // Damaged data is decoded in one piece as before, truncation flag and all.
    OtherWorker other;
    const std::vector<uint8_t> cut(file.begin(), file.begin() + long(file.size() * 3 / 4));
    EXPECT_EQ(Decode(cut, 24), DecodeWith(1, cut, 24));
    EXPECT_TRUE(Decode(cut, 24).truncated);
  }
}

TEST(JpegBands, StopFromTheProgressCallbackEndsADecodeInBands) {
  const std::vector<uint8_t> file = EncodeSampled(256, 1024, 2, 2, false);
  SetLibraryProgressCallback([](void*, int row, int) { return row < 100; }, nullptr);
  const Pixels stopped = DecodeWith(3, file, 24);
  SetLibraryProgressCallback(nullptr, nullptr);
  EXPECT_TRUE(stopped.bytes.empty());
  EXPECT_EQ(stopped.error, 14u);
}

}  // namespace
}  // namespace orv
