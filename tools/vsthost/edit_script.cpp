#include "tools/vsthost/edit_script.h"

#include <cerrno>
#include <cstdlib>
#include <sstream>

namespace kestrelon {

namespace vsthost {
namespace {

std::string Trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

bool ParseWhole(const std::string& word, long low, long high, int& out)
{
    if (word.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(word.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < low || v > high)
        return false;
    out = static_cast<int>(v);
    return true;
}

struct Shape {
    const char* word;
    StepKind kind;
    int numbers;  // whole numbers that follow
    const char* usage;
};

constexpr Shape kShapes[] = {
    {"wait", StepKind::Wait, 1, "wait MS"},
    {"down", StepKind::Down, 2, "down X Y"},
    {"move", StepKind::Move, 2, "move X Y"},
    {"up", StepKind::Up, 2, "up X Y"},
    {"drag", StepKind::Drag, 4, "drag X1 Y1 X2 Y2 [STEPS]"},
    {"dblclick", StepKind::DoubleClick, 2, "dblclick X Y"},
    {"wheel", StepKind::Wheel, 3, "wheel X Y DELTA"},
    {"key", StepKind::Key, 0, "key NAME"},
    {"type", StepKind::Type, 0, "type TEXT"},
    {"enter", StepKind::Enter, 0, "enter"},
    {"escape", StepKind::Escape, 0, "escape"},
    {"shift", StepKind::Shift, 0, "shift down|up"},
    {"screenshot", StepKind::Screenshot, 0, "screenshot FILE"},
    {"close", StepKind::Close, 0, "close"},
    {"open", StepKind::Open, 0, "open"},
    {"set", StepKind::Set, 0, "set NAME=TEXT"},
    {"chunk", StepKind::ChunkSave, 0, "chunk save FILE, or chunk load FILE"},
    {"expect-param", StepKind::ExpectParam, 0, "expect-param NAME TEXT"},
    {"idle", StepKind::Idle, 0, "idle"},
    {"destroy-window", StepKind::DestroyWindow, 0, "destroy-window"},
    {"host-capture", StepKind::HostCapture, 0, "host-capture"},
    {"resources", StepKind::ResourcesMark, 0, "resources mark|check"},
    {"expect-class", StepKind::ExpectClass, 0, "expect-class NAME registered|unregistered"},
    {"expect-size", StepKind::ExpectSize, 2, "expect-size WIDTH HEIGHT"},
    {"host-resize", StepKind::HostResize, 2, "host-resize WIDTH HEIGHT"},
};

std::string StepWords()
{
    std::string words;
    for (const Shape& s : kShapes) {
        if (!words.empty())
            words += ", ";
        words += s.word;
    }
    return words;
}

// The text after the first word, as written (inner spaces kept).
std::string Rest(const std::string& line, const std::string& word)
{
    return Trimmed(line.substr(line.find(word) + word.size()));
}

}  // namespace

bool ParseEditStep(const std::string& rawLine, EditStep& step, bool& isStep, std::string& error)
{
    const std::string line = Trimmed(rawLine);
    isStep = !line.empty() && line[0] != '#';
    if (!isStep)
        return true;
    std::istringstream in(line);
    std::string word;
    in >> word;
    const Shape* shape = nullptr;
    for (const Shape& s : kShapes) {
        if (word == s.word)
            shape = &s;
    }
    if (!shape) {
        error = "unknown step '" + word + "' (" + StepWords() + ")";
        return false;
    }
    step = EditStep();
    step.kind = shape->kind;
    step.source = line;
    std::vector<std::string> words;
    for (std::string w; in >> w;)
        words.push_back(w);
    const std::string usage = std::string("usage: ") + shape->usage;
    const std::string rest = Rest(line, word);

    if (shape->numbers > 0) {
        const std::size_t most = shape->kind == StepKind::Drag ? 5u : static_cast<std::size_t>(shape->numbers);
        if (words.size() < static_cast<std::size_t>(shape->numbers) || words.size() > most) {
            error = usage;
            return false;
        }
        for (std::size_t i = 0; i < words.size(); ++i) {
            long low = -kMaxCoordinate, high = kMaxCoordinate;
            const char* what = "a whole number of pixels within +-32767";
            if (shape->kind == StepKind::Wait) {
                low = 0;
                high = kMaxWaitMs;
                what = "milliseconds from 0 to 600000";
            } else if (shape->kind == StepKind::Drag && i == 4) {
                low = 1;
                high = kMaxDragSteps;
                what = "a number of moves from 1 to 10000";
            } else if (shape->kind == StepKind::Wheel && i == 2) {
                what = "a wheel delta within +-32767 (120 a notch)";
            } else if (shape->kind == StepKind::ExpectSize || shape->kind == StepKind::HostResize) {
                low = 1;
                what = "a size in pixels from 1 to 32767";
            }
            if (!ParseWhole(words[i], low, high, step.numbers[i])) {
                error = "'" + words[i] + "' is not " + what + "; " + usage;
                return false;
            }
        }
        if (shape->kind == StepKind::Drag)
            step.numbers[4] = words.size() == 5 ? step.numbers[4] : 10;
        return true;
    }

    switch (shape->kind) {
    case StepKind::Key:
    case StepKind::Screenshot:
        if (words.size() != 1) {
            error = usage;
            return false;
        }
        step.text = words[0];
        return true;
    case StepKind::Type:
        if (rest.empty()) {
            error = usage;
            return false;
        }
        step.text = rest;
        return true;
    case StepKind::Shift:
        if (words.size() != 1 || (words[0] != "down" && words[0] != "up")) {
            error = usage;
            return false;
        }
        step.flag = words[0] == "down";
        return true;
    case StepKind::Set: {
        const std::size_t eq = rest.find('=');
        if (eq == std::string::npos || eq == 0) {
            error = usage;
            return false;
        }
        step.text = Trimmed(rest.substr(0, eq));
        step.value = Trimmed(rest.substr(eq + 1));
        return true;
    }
    case StepKind::ChunkSave:
        if (words.size() != 2 || (words[0] != "save" && words[0] != "load")) {
            error = usage;
            return false;
        }
        step.kind = words[0] == "save" ? StepKind::ChunkSave : StepKind::ChunkLoad;
        step.text = words[1];
        return true;
    case StepKind::ExpectParam: {
        // Names may hold spaces ("Clip Output"): the last word is the text
        // unless the name is quoted.
        if (!rest.empty() && rest[0] == '"') {
            const std::size_t close = rest.find('"', 1);
            if (close == std::string::npos || Trimmed(rest.substr(close + 1)).empty()) {
                error = usage + " (a quoted NAME needs its closing quote and a TEXT after it)";
                return false;
            }
            step.text = rest.substr(1, close - 1);
            step.value = Trimmed(rest.substr(close + 1));
            return true;
        }
        if (words.size() < 2) {
            error = usage;
            return false;
        }
        step.value = words.back();
        step.text = Trimmed(rest.substr(0, rest.rfind(step.value)));
        return true;
    }
    case StepKind::ResourcesMark:
        if (words.size() != 1 || (words[0] != "mark" && words[0] != "check")) {
            error = usage;
            return false;
        }
        step.kind = words[0] == "mark" ? StepKind::ResourcesMark : StepKind::ResourcesCheck;
        return true;
    case StepKind::ExpectClass:
        if (words.size() != 2 || (words[1] != "registered" && words[1] != "unregistered")) {
            error = usage;
            return false;
        }
        step.text = words[0];
        step.flag = words[1] == "registered";
        return true;
    default:
        if (!words.empty()) {
            error = usage;
            return false;
        }
        return true;
    }
}

bool ParseEditScript(const std::string& content, const std::string& where, std::vector<EditStep>& steps,
                     std::string& error)
{
    std::istringstream in(content);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        EditStep step;
        bool isStep = false;
        std::string why;
        if (!ParseEditStep(line, step, isStep, why)) {
            error = where + " line " + std::to_string(number) + ": " + why;
            return false;
        }
        if (isStep) {
            step.source = where + " line " + std::to_string(number) + " (" + step.source + ")";
            steps.push_back(step);
        }
    }
    return true;
}

}  // namespace vsthost

}  // namespace kestrelon
