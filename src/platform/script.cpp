#include "platform/script.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/files.h"

ScriptEvent script_events[SCRIPT_EVENT_MAX];
int script_event_count;
int script_answers[SCRIPT_ANSWER_MAX];
ScriptDialogAction script_dialog_actions[SCRIPT_DIALOG_ACTION_MAX];
int script_dialog_action_count;
static int script_dialog_action_taken[SCRIPT_DIALOG_ACTION_MAX];
int script_answer_count;
int script_answer_next;
int script_last_pass;
int script_pass;
char script_error[512];
int script_clears;

static char script_text[SCRIPT_TEXT_MAX];
static int script_text_used;

int IsHeadless() {
  static int headless = -1;
  if (headless < 0) {
    const char* value = std::getenv("KESTRUNE_HEADLESS");
    headless = value && value[0] && std::strcmp(value, "0") != 0;
  }
  return headless;
}

void ScriptClear() {
  script_clears++;
  script_event_count = 0;
  script_answer_count = 0;
  script_answer_next = 0;
  script_dialog_action_count = 0;
  for (int& taken : script_dialog_action_taken) taken = 0;
  script_last_pass = 0;
  script_pass = 0;
  script_text_used = 0;
}

const char* ScriptStoreText(const char* text, int length) {
  if (length < 0 || script_text_used + length + 1 > SCRIPT_TEXT_MAX) return nullptr;
  char* stored = script_text + script_text_used;
  std::memcpy(stored, text, std::size_t(length));
  stored[length] = 0;
  script_text_used += length + 1;
  return stored;
}

// ---- Line syntax ---------------------------------------------------------------------------------

constexpr int WORDS_MAX = 8;

struct Words {
  const char* word[WORDS_MAX];
  int length[WORDS_MAX];
  int count;
};

static int WordIs(const Words& w, int i, const char* text) {
  return i < w.count && int(std::strlen(text)) == w.length[i] && std::strncmp(w.word[i], text, std::size_t(w.length[i])) == 0;
}

// A decimal number of at most 10 digits (with a "-" before them where low is negative) within
// [low, high]; 0 when the word is anything else.
static int ReadNumber(const Words& w, int i, int low, int high, int* value) {
  if (i >= w.count) return 0;
  int negative = low < 0 && w.length[i] > 1 && w.word[i][0] == '-';
  if (w.length[i] - negative > 10) return 0;
  long long v = 0;
  for (int k = negative; k < w.length[i]; k++) {
    char c = w.word[i][k];
    if (c < '0' || c > '9') return 0;
    v = v * 10 + (c - '0');
  }
  if (negative) v = -v;
  if (v < low || v > high) return 0;
  *value = int(v);
  return 1;
}

// Each parse function reads the words after the event's word (words[2] on) and fills the event, or
// returns the reason the line is wrong.
typedef const char* (*ParseEvent)(const Words& w, ScriptEvent* event);

static int ReadDownUp(const Words& w, int i, int* state) {
  if (WordIs(w, i, "down")) *state = 1;
  else if (WordIs(w, i, "up")) *state = 0;
  else return 0;
  return 1;
}

static const char* ParseKey(const Words& w, ScriptEvent* event) {
  if (w.count != 4) return "expected: <pass> key <scancode> down|up";
  if (!ReadNumber(w, 2, 0, 255, &event->code)) return "the scan code must be a decimal number from 0 to 255";
  if (!ReadDownUp(w, 3, &event->state)) return "a key is either down or up";
  return nullptr;
}

// Both pad events share the word "pad"; the word after the pad number tells them apart.
static const char* ParsePad(const Words& w, ScriptEvent* event) {
  if (w.count < 4 || !ReadNumber(w, 2, 0, SCRIPT_PAD_MAX - 1, &event->device))
    return "expected: <pass> pad <0..15> x|y <position> or <pass> pad <0..15> button <b> down|up";
  if (WordIs(w, 3, "x") || WordIs(w, 3, "y")) {
    event->kind = SCRIPT_PAD_AXIS;
    event->code = WordIs(w, 3, "y");
    if (w.count != 5 || !ReadNumber(w, 4, -SCRIPT_AXIS_FULL, SCRIPT_AXIS_FULL, &event->state))
      return "an axis position is a decimal number from -1000 to 1000";
    return nullptr;
  }
  if (!WordIs(w, 3, "button")) return "a pad event is x, y or button";
  event->kind = SCRIPT_PAD_BUTTON;
  if (w.count != 6 || !ReadNumber(w, 4, 0, SCRIPT_PAD_BUTTONS - 1, &event->code))
    return "expected: <pass> pad <n> button <0..31> down|up";
  if (!ReadDownUp(w, 5, &event->state)) return "a button is either down or up";
  return nullptr;
}

static const char* ParseClose(const Words& w, ScriptEvent*) {
  return w.count == 2 ? nullptr : "close takes nothing after it";
}

static const char* ParseFocus(const Words& w, ScriptEvent* event) {
  if (w.count == 3 && WordIs(w, 2, "lost")) event->state = 0;
  else if (w.count == 3 && WordIs(w, 2, "gained")) event->state = 1;
  else return "expected: <pass> focus lost|gained";
  return nullptr;
}

static const char* ParseCapture(const Words& w, ScriptEvent* event) {
  if (w.count != 3) return "expected: <pass> capture <file.png>";
  event->text = ScriptStoreText(w.word[2], w.length[2]);
  return event->text ? nullptr : "too much text in the script";
}

struct ScriptSyntax {
  const char* word;
  int kind;
  ParseEvent parse;
};

// word      kind           parse
static const ScriptSyntax script_syntax[] = {
    {.word = "key", .kind = SCRIPT_KEY, .parse = ParseKey},
    {.word = "close", .kind = SCRIPT_CLOSE, .parse = ParseClose},
    {.word = "focus", .kind = SCRIPT_FOCUS, .parse = ParseFocus},
    {.word = "pad", .kind = SCRIPT_PAD_AXIS, .parse = ParsePad},  // or SCRIPT_PAD_BUTTON
    {.word = "capture", .kind = SCRIPT_CAPTURE, .parse = ParseCapture},
};
// The two pad kinds share one row.
static_assert(sizeof(script_syntax) / sizeof(script_syntax[0]) == SCRIPT_EVENT_KINDS - 1);

// Splits a line (up to its comment) into words; 0 when it has more than WORDS_MAX.
static int SplitWords(const char* line, int length, Words* w) {
  w->count = 0;
  int i = 0;
  while (i < length && line[i] != '#') {
    if (line[i] == ' ' || line[i] == '\t' || line[i] == '\r') {
      i++;
      continue;
    }
    int start = i;
    while (i < length && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' && line[i] != '#') i++;
    if (w->count == WORDS_MAX) return 0;
    w->word[w->count] = line + start;
    w->length[w->count] = i - start;
    w->count++;
  }
  return 1;
}

// dialog <template> set <control> <text to the end of the line>
// dialog <template> press <control>
static const char* ParseDialogAction(const Words& w, const char* line, int length) {
  ScriptDialogAction action{};
  const char* usage = "expected: dialog <template> set <control> <text> or dialog <template> press <control>";
  if (w.count < 4 || !ReadNumber(w, 1, 0, 65535, &action.dialog) || !ReadNumber(w, 3, 0, 65535, &action.control))
    return usage;
  if (WordIs(w, 2, "press") && w.count == 4) {
    action.press = 1;
    action.text = "";
  } else if (WordIs(w, 2, "set")) {
    // The text runs to the end of the line, so that paths may hold spaces and '#'.
    const char* start = w.count > 4 ? w.word[4] : line + length;
    int n = static_cast<int>(line + length - start);
    while (n > 0 && (start[n - 1] == '\r' || start[n - 1] == ' ' || start[n - 1] == '\t')) n--;
    action.text = ScriptStoreText(start, n);
    if (!action.text) return "script text store is full";
  } else {
    return usage;
  }
  if (script_dialog_action_count == SCRIPT_DIALOG_ACTION_MAX) return "too many dialog actions";
  script_dialog_actions[script_dialog_action_count++] = action;
  return nullptr;
}

// Reads one line into the script; the reason it is wrong otherwise.
static const char* ParseLine(const char* line, int length, int line_number) {
  Words w;
  if (!SplitWords(line, length, &w)) return "too many words";
  if (w.count == 0) return nullptr;
  if (WordIs(w, 0, "answer")) {
    int answer;
    if (w.count == 2 && WordIs(w, 1, "yes")) answer = ANSWER_YES;
    else if (w.count == 2 && WordIs(w, 1, "no")) answer = ANSWER_NO;
    else if (w.count == 2 && WordIs(w, 1, "ok")) answer = ANSWER_OK;
    else return "expected: answer yes|no|ok";
    if (script_answer_count == SCRIPT_ANSWER_MAX) return "too many answers";
    script_answers[script_answer_count++] = answer;
    return nullptr;
  }
  if (WordIs(w, 0, "dialog")) return ParseDialogAction(w, line, length);
  ScriptEvent event{};
  if (!ReadNumber(w, 0, 1, SCRIPT_PASS_MAX, &event.pass))
    return "a line starts with a pass number (1 to 1000000000), \"answer\" or \"dialog\"";
  if (w.count < 2) return "a pass number needs an event after it";
  const ScriptSyntax* syntax = nullptr;
  for (const ScriptSyntax& s : script_syntax)
    if (WordIs(w, 1, s.word)) syntax = &s;
  if (!syntax) return "unknown event (expected key, pad, close, focus or capture)";
  event.kind = syntax->kind;
  event.text = "";
  event.line = line_number;
  if (const char* why = syntax->parse(w, &event)) return why;
  if (script_event_count == SCRIPT_EVENT_MAX) return "too many events";
  script_events[script_event_count++] = event;
  return nullptr;
}

int ScriptLoadText(const char* text, const char* name) {
  ScriptClear();
  script_error[0] = 0;
  int line_number = 1;
  for (const char* line = text; *line; line_number++) {
    const char* end = std::strchr(line, '\n');
    int length = end ? int(end - line) : int(std::strlen(line));
    if (const char* why = ParseLine(line, length, line_number)) {
      int shown = length < 200 ? length : 200;
      std::snprintf(script_error, sizeof(script_error), "%s line %d: %s: \"%.*s\"", name, line_number, why, shown,
                    line);
      std::fprintf(stderr, "KESTRUNE_SCRIPT: %s\n", script_error);
      ScriptClear();
      return 0;
    }
    if (!end) break;
    line = end + 1;
  }
  std::stable_sort(script_events, script_events + script_event_count,
                   [](const ScriptEvent& a, const ScriptEvent& b) { return a.pass < b.pass; });
  script_last_pass = script_event_count ? script_events[script_event_count - 1].pass : 0;
  return 1;
}

int ScriptLoadFile(const char* path) {
  // No script is longer than FILE_READ_MAX; a longer one, or a FIFO or a device in its place,
  // is taken as unreadable.
  std::vector<std::uint8_t> bytes;
  if (!ReadRegularFile(path, &bytes)) {
    ScriptClear();
    std::snprintf(script_error, sizeof(script_error), "%s: cannot be read", path);
    std::fprintf(stderr, "KESTRUNE_SCRIPT: %s\n", script_error);
    return 0;
  }
  if (std::memchr(bytes.data(), 0, bytes.size())) {
    ScriptClear();
    std::snprintf(script_error, sizeof(script_error), "%s: not a text file (it holds a zero byte)", path);
    std::fprintf(stderr, "KESTRUNE_SCRIPT: %s\n", script_error);
    return 0;
  }
  bytes.push_back(0);
  return ScriptLoadText(reinterpret_cast<const char*>(bytes.data()), path);
}

int ScriptLoadFromEnvironment() {
  const char* path = std::getenv("KESTRUNE_SCRIPT");
  if (!path || !path[0]) {
    ScriptClear();
    return 1;
  }
  return ScriptLoadFile(path);
}

void ScriptEventRange(int pass, int* first, int* end) {
  auto by_pass = [](const ScriptEvent& e, int p) { return e.pass < p; };
  ScriptEvent* begin = script_events;
  ScriptEvent* stop = script_events + script_event_count;
  ScriptEvent* lo = std::lower_bound(begin, stop, pass, by_pass);
  ScriptEvent* hi = std::lower_bound(lo, stop, pass + 1, by_pass);
  *first = int(lo - begin);
  *end = int(hi - begin);
}

int ScriptTakeAnswer(int yes_no_box) {
  if (script_answer_next >= script_answer_count) return -1;
  int answer = script_answers[script_answer_next];
  if ((answer == ANSWER_OK) == (yes_no_box != 0)) return -1;
  script_answer_next++;
  return answer;
}

int ScriptTakeDialogAction(int dialog, ScriptDialogAction* out) {
  for (int i = 0; i < script_dialog_action_count; i++) {
    if (script_dialog_action_taken[i] || script_dialog_actions[i].dialog != dialog) continue;
    script_dialog_action_taken[i] = 1;
    *out = script_dialog_actions[i];
    return 1;
  }
  return 0;
}
