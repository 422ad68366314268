#include "engine/config.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/console.h"
#include "engine_state.h"
#include "platform/files.h"
#include "support/temp_dir.h"

namespace {

// Every variable at its default, registered, and an empty console; the defaults again after.
class ConfigTest : public WorkingDirTest {
 protected:
  void SetUp() override {
    WorkingDirTest::SetUp();
    ResetEngineState();
    InitConfigTags();
    for (int i = 0; i < CONFIG_VAR_COUNT; i++) defaults_[i] = *tag_value[i];
  }
  void TearDown() override {
    ResetEngineState();
    WorkingDirTest::TearDown();
  }
  void Write(const char* name, const std::string& bytes) const {
    Put(name, std::vector<unsigned char>(bytes.begin(), bytes.end()));
  }
  static bool Exists(const char* name) { return std::filesystem::exists(name); }
  float defaults_[CONFIG_VAR_COUNT];
};

// What a save of the defaults puts on disk: text mode turns each "\r\n" into CR CR LF.
const char* const kDefaultPrefs =
    "windowed\t\t= 1\r\r\n"
    "display_width\t\t= 640\r\r\n"
    "display_height\t\t= 480\r\r\n"
    "display_format\t\t= 22\r\r\n"
    "vsync\t\t\t= 1\r\r\n"
    "antialias\t\t= 0\r\r\n"
    "gradient_detail\t\t= 8\r\r\n"
    "volume_effects\t\t= -3000\r\r\n"
    "volume_music\t\t= -4000\r\r\n"
    "sound_width\t\t= 1\r\r\n"
    "sound_channels\t\t= 2\r\r\n"
    "sound_samples\t\t= 44100\r\r\n"
    "sound_bits\t\t= 16\r\r\n"
    "auto_fire\t\t= 0\r\r\n"
    "button_back_0\t\t= 1\r\r\n"
    "button_fire_0\t\t= 57\r\r\n"
    "button_missle_0\t\t= 28\r\r\n"
    "button_up_0\t\t= 200\r\r\n"
    "button_left_0\t\t= 203\r\r\n"
    "button_down_0\t\t= 208\r\r\n"
    "button_right_0\t\t= 205\r\r\n"
    "button_back_1\t\t= 0\r\r\n"
    "button_fire_1\t\t= 29\r\r\n"
    "button_missle_1\t\t= 56\r\r\n"
    "button_up_1\t\t= 17\r\r\n"
    "button_left_1\t\t= 30\r\r\n"
    "button_down_1\t\t= 31\r\r\n"
    "button_right_1\t\t= 32\r\r\n"
    "enable_di_devices\t= 1\r\r\n";

TEST_F(ConfigTest, DefaultsAreSavedByteForByte) {
  ASSERT_EQ(SaveConfig("prefs.cfg"), 1);
  EXPECT_EQ(Text("prefs.cfg"), kDefaultPrefs);
  EXPECT_FALSE(Exists(CONSOLE_LOG_PATH));
}

TEST_F(ConfigTest, TableHoldsTheVariablesInOrderAndTheRestIsFree) {
  EXPECT_STREQ(tag_name[0], "windowed");
  EXPECT_EQ(tag_value[0], &windowed);
  EXPECT_STREQ(tag_name[13], "auto_fire");
  EXPECT_EQ(tag_value[13], &auto_fire);
  EXPECT_STREQ(tag_name[16], "button_missle_0");
  EXPECT_EQ(tag_value[28], &enable_di_devices);
  for (int i = 0; i < CONFIG_VAR_COUNT; i++) {
    EXPECT_NE(tag_name[i][0], 0) << i;
    EXPECT_NE(tag_value[i], nullptr) << i;
    for (int j = 0; j < i; j++) EXPECT_NE(tag_value[i], tag_value[j]) << i << " " << j;
  }
  for (int i = CONFIG_VAR_COUNT; i < TAG_COUNT; i++) {
    EXPECT_EQ(tag_name[i][0], 0) << i;
    EXPECT_EQ(tag_value[i], nullptr) << i;
  }
}

struct LineCase {
  const char* label;
  std::string file;  // bytes on disk
  float* variable;
  float expected;
};

TEST_F(ConfigTest, LinesSetWhatTheirKeysName) {
  const LineCase cases[] = {
      {"upper case key", "WINDOWED = 0\n", &windowed, 0},
      {"mixed case key", "Windowed = 0\n", &windowed, 0},
      {"leading blank matches nothing", " windowed = 0\n", &windowed, 1},
      {"text between key and equals", "windowed mode = 0\n", &windowed, 0},
      {"no blanks", "display_height=-12.5", &display_height, -12.5f},
      {"value stops at a letter", "display_width = 800x600\n", &display_width, 800},
      {"plus sign", "gradient_detail = +4\n", &gradient_detail, 4},
      {"exponent is not read", "volume_music = 1e5\n", &volume_music, 1},
      {"two numbers give the first", "sound_bits = 4 7\n", &sound_bits, 4},
      {"second point ends the number", "sound_samples = 12.5.3\n", &sound_samples, 12.5f},
      {"a sign then a blank", "auto_fire = - 4\n", &auto_fire, 0},
      {"not a number", "vsync = abc\n", &vsync, 0},
      {"nothing after equals", "vsync =\n", &vsync, 0},
      {"saved line end", "button_up_0\t\t= 72\r\r\n", &button_up_0, 72},
      {"windows line end", "button_up_1 = 73\r\n", &button_up_1, 73},
      {"32 characters are read", "volume_effects = 123456789012345678901234567890123456\n", &volume_effects,
       float(1234567890123456789012345678901.0)},  // the blank and 31 digits
      {"unknown key", "volume = 5\n# comment\n\n", &volume_effects, -3000},
      {"later line wins", "sound_width = 2\nsound_width = 3\n", &sound_width, 3},
      {"ctrl-z ends the file", "antialias = 2\n\x1a" "antialias = 4\n", &antialias, 2},
      {"nul ends the line", std::string("sound_channels = 1\0" "9\n", 21), &sound_channels, 1},
  };
  for (const LineCase& c : cases) {
    for (int i = 0; i < CONFIG_VAR_COUNT; i++) *tag_value[i] = defaults_[i];
    Write("test.cfg", c.file);
    EXPECT_EQ(LoadConfig("test.cfg"), 1) << c.label;
    EXPECT_EQ(*c.variable, c.expected) << c.label;
  }
  EXPECT_FALSE(Exists(CONSOLE_LOG_PATH)) << "no line above needs a message";
}

TEST_F(ConfigTest, KeyWithoutEqualsSignStoresZeroAndSaysSo) {
  Write("test.cfg", "antialias\r\n");
  antialias = 4;
  testing::internal::CaptureStderr();
  ASSERT_EQ(LoadConfig("test.cfg"), 1);
  std::string boxes = testing::internal::GetCapturedStderr();
  EXPECT_EQ(antialias, 0);
  // The line is quoted with its line end, which the log's own "\r\n" follows.
  EXPECT_EQ(Text(CONSOLE_LOG_PATH), "No = sign: antialias\r\n\r\r\n");
  EXPECT_NE(boxes.find("[Console Message] No = sign: antialias"), std::string::npos) << boxes;
}

TEST_F(ConfigTest, LongLinesAreReadInPieces) {
  // Each read takes 254 characters; the rest of the line is read as a line of its own.
  Write("test.cfg", "display_width = 800" + std::string(300, ' ') + "7\n" + std::string(254, 'x') +
                             "windowed = 0\n");
  ASSERT_EQ(LoadConfig("test.cfg"), 1);
  EXPECT_EQ(display_width, 800);
  EXPECT_EQ(windowed, 0);
}

TEST_F(ConfigTest, LongLineWithoutEqualsSignIsCutInItsMessage) {
  Write("test.cfg", "antialias" + std::string(400, 'y') + "\n");
  testing::internal::CaptureStderr();
  ASSERT_EQ(LoadConfig("test.cfg"), 1);
  std::string boxes = testing::internal::GetCapturedStderr();
  std::string piece = "antialias" + std::string(245, 'y');  // the first read: 254 characters
  std::string message = "No = sign: " + piece;
  ASSERT_EQ(message.size(), 265u);
  // Formatted into the 256-byte shared buffer, which is what the box shows.
  EXPECT_EQ(std::string(text_buffer), message.substr(0, 255));
  EXPECT_NE(boxes.find(message.substr(0, 255) + " -> ok"), std::string::npos) << boxes;
  // The log line holds 253 characters and its line end.
  EXPECT_EQ(Text(CONSOLE_LOG_PATH), message.substr(0, 253) + "\r\r\n");
  EXPECT_EQ(antialias, 0);
}

TEST_F(ConfigTest, AutoexecWinsAndReachesTheNextSave) {
  Write("prefs.cfg", "vsync\t\t\t= 0\r\r\nauto_fire\t\t= 0\r\r\nvolume_music\t\t= -100\r\r\n");
  Write("autoexec.cfg", "vsync = 2\nauto_fire = 1\n");
  ASSERT_EQ(LoadConfig("prefs.cfg"), 1);
  ASSERT_EQ(LoadConfig("autoexec.cfg"), 1);
  EXPECT_EQ(vsync, 2);
  EXPECT_EQ(auto_fire, 1);
  EXPECT_EQ(volume_music, -100);
  ASSERT_EQ(SaveConfig("prefs.cfg"), 1);
  std::string saved = Text("prefs.cfg");
  EXPECT_NE(saved.find("vsync\t\t\t= 2\r\r\n"), std::string::npos);
  EXPECT_NE(saved.find("auto_fire\t\t= 1\r\r\n"), std::string::npos);
  EXPECT_NE(saved.find("volume_music\t\t= -100\r\r\n"), std::string::npos);
  EXPECT_EQ(Text("autoexec.cfg"), "vsync = 2\nauto_fire = 1\n");
  // Read back, the saved file gives the same values.
  vsync = auto_fire = volume_music = 7;
  ASSERT_EQ(LoadConfig("prefs.cfg"), 1);
  EXPECT_EQ(vsync, 2);
  EXPECT_EQ(auto_fire, 1);
  EXPECT_EQ(volume_music, -100);
}

TEST_F(ConfigTest, MissingFileChangesNothing) {
  EXPECT_EQ(LoadConfig("prefs.cfg"), 0);
  ASSERT_TRUE(std::filesystem::create_directory("folder.cfg"));
  EXPECT_EQ(LoadConfig("folder.cfg"), 0);
  for (int i = 0; i < CONFIG_VAR_COUNT; i++) EXPECT_EQ(*tag_value[i], defaults_[i]) << tag_name[i];
  EXPECT_FALSE(Exists(CONSOLE_LOG_PATH));
}

TEST_F(ConfigTest, AFileTooLargeToBeSettingsChangesNothing) {
  // Good lines, then zeros past the bound (a sparse file: nothing reaches the disk); one byte
  // less than the bound is still read.
  const std::string lines = "vsync = 0\r\nauto_fire = 1\r\n";
  struct Case {
    long length;
    int loaded;
  };
  for (Case c : {Case{FILE_READ_MAX + 1, 0}, Case{FILE_READ_MAX, 1}}) {
    SCOPED_TRACE(c.length);
    vsync = 1.0f;
    auto_fire = 0.0f;
    Write("big.cfg", lines);
    ASSERT_EQ(truncate("big.cfg", c.length), 0);
    EXPECT_EQ(LoadConfig("big.cfg"), c.loaded);
    EXPECT_EQ(vsync, c.loaded ? 0.0f : 1.0f);
    EXPECT_EQ(auto_fire, c.loaded ? 1.0f : 0.0f);
  }
}

std::string PrintfF(double value) {
  char text[128];
  std::snprintf(text, sizeof(text), "%f", value);
  return text;
}

TEST_F(ConfigTest, ValuesAreSavedWholeAsIntegerOrSixDecimals) {
  // What follows the "=": a blank and the value, unless that would not read back (below).
  struct {
    float value;
    std::string written;
  } cases[] = {
      {2.5f, " 2.500000"},
      {0.5f, " 0.500000"},
      {-10000.0f, " -10000"},
      {-0.0f, " 0"},
      {3e9f, " 3000000000.000000"},
      {-2147483648.0f, " -2147483648"},
      {2147483648.0f, " 2147483648.000000"},
      {1e20f, " " + PrintfF(1e20f)},
      {1e25f, " " + PrintfF(1e25f)},  // cut by the reader in its decimals only
      // Longer than the reader's 32 characters: the value's digits without the blank.
      {-1e30f, "-1000000015047466219876688855040"},
      // Larger than a line holds: the largest that it does.
      {1e32f, std::string(32, '9')},
      {-FLT_MAX, "-" + std::string(31, '9')},
      // Six decimals would read back as 0: as many as it takes.
      {1e-7f, " 0.0000001"},
      {1e-30f, " ." + std::string(29, '0') + "1"},
  };
  for (const auto& c : cases) {
    volume_effects = c.value;
    ASSERT_EQ(SaveConfig("prefs.cfg"), 1);
    std::string expected = "volume_effects\t\t=" + c.written + "\r\r\n";
    EXPECT_NE(Text("prefs.cfg").find(expected), std::string::npos) << c.written << " in " << Text("prefs.cfg");
  }
  EXPECT_EQ(PrintfF(-FLT_MAX).size(), 47u);
}

// Equal, and of the same sign where both are zero.
bool Same(float a, float b) { return a == b && std::signbit(a) == std::signbit(b); }

// The line a saved prefs.cfg holds for key, from its key to its end.
std::string SavedLine(const std::string& file, const std::string& key) {
  std::size_t at = file.find(key);
  return at == std::string::npos ? "" : file.substr(at, file.find('\n', at) - at);
}

TEST_F(ConfigTest, LoadSaveLoadIsAFixedPointForEveryValueALineCanHold) {
  // The text after "volume_music =" in a file, what the reader takes from it, and what a save
  // then writes after the "=".
  struct Case {
    const char* what;
    std::string text;
    float loaded;
    std::string saved;
  };
  const Case cases[] = {
      {"ordinary", " -3000", -3000.0f, " -3000"},
      {"ordinary, six decimals", " 2.5", 2.5f, " 2.500000"},
      {"ordinary, long", " 3000000000", 3e9f, " 3000000000.000000"},
      {"more than six decimals", " 3.4028235e38", 3.4028235f, " 3.4028234"},
      {"huge and negative", "-1" + std::string(30, '0'), -1e30f, "-1000000015047466219876688855040"},
      {"huge, all the reader takes", "99999999999999999999999999999999", 1e32f, std::string(32, '9')},
      {"huge, cut after 31 digits", " 999999999999999999999999999999999", 1e31f,
       " 9999999848243207295109594873856.000000"},
      {"tiny", " 0.0000001", 1e-7f, " 0.0000001"},
      {"tiny, all the reader takes", "." + std::string(30, '0') + "1", 1e-31f, "." + std::string(30, '0') + "1"},
      {"denormal, cut to 0", " 0." + std::string(44, '0') + "1401298464324817", 0.0f, " 0"},
      {"an exponent ends the number", " 1e-45", 1.0f, " 1"},
      {"negative zero", " -0", -0.0f, " 0"},
      {"infinity", " inf", 0.0f, " 0"},
      {"negative infinity", " -inf", 0.0f, " 0"},
      {"NaN", " nan", 0.0f, " 0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    volume_music = 7.0f;
    Write("prefs.cfg", "volume_music\t\t=" + c.text + "\r\n");
    ASSERT_EQ(LoadConfig("prefs.cfg"), 1);
    float loaded = volume_music;
    EXPECT_TRUE(Same(loaded, c.loaded)) << loaded;
    ASSERT_EQ(SaveConfig("prefs.cfg"), 1);
    std::string saved = SavedLine(Text("prefs.cfg"), "volume_music");
    EXPECT_EQ(saved, "volume_music\t\t=" + c.saved + "\r\r");
    ASSERT_EQ(LoadConfig("prefs.cfg"), 1);
    EXPECT_EQ(volume_music, loaded);
    ASSERT_EQ(SaveConfig("prefs.cfg"), 1);
    EXPECT_EQ(SavedLine(Text("prefs.cfg"), "volume_music"), saved);
  }
  // Numbers of every length and scale, as a file may hold them: blanks, a sign, digits and a
  // point, up to past the 32 characters the reader takes.
  std::uint32_t state = 777;
  auto next = [&state](std::uint32_t n) {
    state = state * 1664525u + 1013904223u;
    return (state >> 8) % n;
  };
  for (int round = 0; round < 40; round++) {
    std::string file;
    for (int i = 0; i < CONFIG_VAR_COUNT; i++) {
      std::string number = std::string(next(3), ' ') + (next(2) ? "-" : "");
      std::uint32_t digits = 1 + next(38), point = next(digits + 2);
      for (std::uint32_t d = 0; d < digits; d++) {
        if (d == point) number += '.';
        number += char('0' + (d == 0 || d + 1 == digits ? 1 + next(9) : next(10)));
      }
      file += std::string(tag_name[i]) + " =" + number + "\r\n";
    }
    Write("prefs.cfg", file);
    ASSERT_EQ(LoadConfig("prefs.cfg"), 1);
    float loaded[CONFIG_VAR_COUNT];
    for (int i = 0; i < CONFIG_VAR_COUNT; i++) loaded[i] = *tag_value[i];
    ASSERT_EQ(SaveConfig("prefs.cfg"), 1);
    ASSERT_EQ(LoadConfig("prefs.cfg"), 1);
    for (int i = 0; i < CONFIG_VAR_COUNT; i++)
      EXPECT_EQ(*tag_value[i], loaded[i])
          << SavedLine(file, tag_name[i]) << " saved as " << SavedLine(Text("prefs.cfg"), tag_name[i]);
  }
}

// Values no file gave (set in memory) are saved as the nearest value a line holds, which then
// stays: every value comes back from its first save and load as one a line can hold.
TEST_F(ConfigTest, AnyValueSavedOnceReadsBackAsOneALineHolds) {
  struct Case {
    float value;
    float loaded;
  };
  const Case cases[] = {
      {FLT_MAX, 1e32f},          {-FLT_MAX, -1e31f},       {INFINITY, 1e32f},  {-INFINITY, -1e31f},
      {NAN, 0.0f},               {FLT_MIN, 0.0f},          {FLT_TRUE_MIN, 0.0f}, {-FLT_TRUE_MIN, -0.0f},
      {1e32f, 1e32f},            {-1e30f, -1e30f},         {1e-7f, 1e-7f},     {0.1234567f, 0.1234567f},
      {1e-30f, 1e-30f},          {1.1754944e-25f, 1.175494e-25f}, {-1.1754944e-25f, -1.17549e-25f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    volume_music = c.value;
    ASSERT_EQ(SaveConfig("prefs.cfg"), 1);
    ASSERT_EQ(LoadConfig("prefs.cfg"), 1);
    EXPECT_TRUE(Same(volume_music, c.loaded)) << volume_music;
  }
  // Over every exponent a float has: after one save and load, a second changes nothing.
  std::uint32_t state = 12345;
  for (int round = 0; round < 40; round++) {
    for (int i = 0; i < CONFIG_VAR_COUNT; i++) {
      state = state * 1664525u + 1013904223u;
      std::uint32_t bits = state;
      std::memcpy(tag_value[i], &bits, sizeof(bits));
    }
    ASSERT_EQ(SaveConfig("prefs.cfg"), 1);
    ASSERT_EQ(LoadConfig("prefs.cfg"), 1);
    float first[CONFIG_VAR_COUNT];
    for (int i = 0; i < CONFIG_VAR_COUNT; i++) first[i] = *tag_value[i];
    ASSERT_EQ(SaveConfig("prefs.cfg"), 1);
    std::string once = Text("prefs.cfg");
    ASSERT_EQ(LoadConfig("prefs.cfg"), 1);
    for (int i = 0; i < CONFIG_VAR_COUNT; i++) EXPECT_EQ(*tag_value[i], first[i]) << tag_name[i] << ": " << once;
    ASSERT_EQ(SaveConfig("prefs.cfg"), 1);
    EXPECT_EQ(Text("prefs.cfg"), once);
  }
}

TEST_F(ConfigTest, SaveThatCannotOpenSaysSo) {
  ASSERT_TRUE(std::filesystem::create_directory("prefs.cfg"));
  EXPECT_EQ(SaveConfig("prefs.cfg"), 0);
  EXPECT_EQ(SaveConfig("missing/prefs.cfg"), 0);
  EXPECT_EQ(Text(CONSOLE_LOG_PATH), "Error saving prefs.cfg\r\r\nError saving missing/prefs.cfg\r\r\n");
}

TEST_F(ConfigTest, SaveThatFailsKeepsTheOldFileAndSaysSo) {
  Write("prefs.cfg", "vsync = 0\n");
  // A full disk, as a file size limit: the new file cannot be written whole.
  rlimit old_limit;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  rlimit small = old_limit;
  small.rlim_cur = 200;
  std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  int saved = SaveConfig("prefs.cfg");
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &old_limit), 0);
  EXPECT_EQ(saved, 0);
  EXPECT_EQ(Text("prefs.cfg"), "vsync = 0\n");
  EXPECT_EQ(Text(CONSOLE_LOG_PATH), "Error saving prefs.cfg\r\r\n");
  EXPECT_EQ(std::system("test $(ls -A | wc -l) -eq 2"), 0) << "no temporary file is left";
}

TEST(MatchPrefix, Cases) {
  struct {
    const char* key;
    const char* line;
    int start, exact, result;
  } cases[] = {
      {"abc", "abc = 1", 0, 1, 3},
      {"abc", "abc", 0, 0, 3},
      {"abc", "ABC", 0, 1, -1},
      {"abc", "aBc", 0, 0, 3},
      {"ABC", "abc", 0, 0, 3},
      {"abc", "ab", 0, 0, -1},   // the line ends inside the key
      {"abc", "abd", 0, 0, -1},
      {"", "abc", 0, 0, -1},
      {"abc", "", 0, 0, -1},
      {"b", "ab", 1, 1, 1},
      {"a", "ab", 5, 0, -1},     // start past the end
      {"a", "ab", -1, 0, -1},
      {"[", "{", 0, 0, -1},      // differ by case bit but are not letters
      {"1", "\x11", 0, 0, -1},
      {"_", "\x7f", 0, 0, -1},
      {"x", "\xd8", 0, 0, -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MatchPrefix(c.key, c.line, c.start, c.exact), c.result) << c.key << " in " << c.line;
  }
}

TEST(ParseNumber, ReadsAsAtofWouldFromTheCollectedText) {
  struct {
    const char* line;
    int start;
    double result;
  } cases[] = {
      {"x=  12.5", 2, 12.5},
      {"  -3000\r\n", 0, -3000},
      {"\t+4", 0, 4},
      {"1e5", 0, 1},
      {"4 7", 0, 4},
      {"-+4", 0, 0},
      {"+-4", 0, 0},
      {"- 4", 0, 0},
      {".5", 0, 0.5},
      {"5.", 0, 5},
      {".", 0, 0},
      {"", 0, 0},
      {"12", 2, 0},   // start at the end
      {"12", 3, 0},   // start past the end
      {"-0", 0, 0},
      {"123456789012345678901234567890123456", 0, 12345678901234567890123456789012.0},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseNumber(c.line, c.start), c.result) << c.line;
  // 32 characters are collected: 31 blanks and the "1" of "12".
  EXPECT_EQ(ParseNumber((std::string(31, ' ') + "12").c_str(), 0), 1.0);
}

TEST(ConfigInt, TruncatesTowardZeroAndGivesIntMinWhereNoIntHolds) {
  struct {
    float value;
    int result;
  } cases[] = {
      {640.0f, 640},   {57.9f, 57},          {-3.9f, -3},          {-0.0f, 0},
      {2147483520.0f, 2147483520},          {-2147483648.0f, -2147483648},
      {2147483648.0f, INT_MIN},             {1e32f, INT_MIN},     {-1e32f, INT_MIN},
      {INFINITY, INT_MIN}, {-INFINITY, INT_MIN}, {NAN, INT_MIN},
  };
  for (const auto& c : cases) EXPECT_EQ(ConfigInt(c.value), c.result) << c.value;
}

TEST(ReadTagValue, TakesTheNumberAfterTheFirstEqualsSign) {
  EXPECT_EQ(ReadTagValue("a = 3 = 4"), 3.0f);
  EXPECT_EQ(ReadTagValue("a==4"), 0.0f);
  EXPECT_EQ(ReadTagValue("a =2.25\n"), 2.25f);
}

// The user's locale may write numbers with a decimal comma: the files never do.
TEST_F(ConfigTest, NumbersIgnoreTheUsersLocale) {
  const char* name = "de_DE.UTF-8";
  std::string locales = Path("locales");
  if (!std::setlocale(LC_NUMERIC, name)) {
    std::string cmd = "localedef -i de_DE -f UTF-8 '" + locales + "/" + name + "' >/dev/null 2>&1";
    if (!std::filesystem::create_directory(locales) || std::system(cmd.c_str()) != 0) {
      GTEST_SKIP() << "no de_DE locale";
    }
    setenv("LOCPATH", locales.c_str(), 1);
    bool set = std::setlocale(LC_NUMERIC, name) != nullptr;
    unsetenv("LOCPATH");
    if (!set) GTEST_SKIP() << "no de_DE locale";
  }
  char probe[16];
  std::snprintf(probe, sizeof(probe), "%.1f", 0.5);
  Write("test.cfg", "display_height = 12.5\nvolume_music = 1,5\n");
  int loaded = LoadConfig("test.cfg");
  vsync = 0.25f;
  int saved = SaveConfig("prefs.cfg");
  std::setlocale(LC_NUMERIC, "C");
  EXPECT_STREQ(probe, "0,5") << "the locale took";
  EXPECT_EQ(loaded, 1);
  EXPECT_EQ(display_height, 12.5f);
  EXPECT_EQ(volume_music, 1.0f);
  EXPECT_EQ(saved, 1);
  EXPECT_NE(Text("prefs.cfg").find("vsync\t\t\t= 0.250000\r\r\n"), std::string::npos);
}

}  // namespace
