// The prompt's line editor on libedit: emacs keys (arrows, Home/End,
// Ctrl-A/E/K/U/W), a history kept in ~/.meshprobe_history and Tab completion
// from the command parser's own keyword table.
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include <histedit.h>

#include "console/interpreter.h"
#include "console/lineedit.h"

namespace {

constexpr int historyLines = 1000;

// libedit asks for the prompt through a plain function.
std::string promptText;
const char* promptOf(EditLine*) { return promptText.c_str(); }

// The longest beginning shared by every candidate.
std::string commonPrefix(const std::vector<std::string>& words)
{
    std::string prefix = words.front();
    for (const std::string& w : words) {
        std::size_t n = 0;
        while (n < prefix.size() && n < w.size() && prefix[n] == w[n])
            ++n;
        prefix.resize(n);
    }
    return prefix;
}

unsigned char complete(EditLine* el, int)
{
    const LineInfo* info = el_line(el);
    const std::string_view before(info->buffer, static_cast<std::size_t>(info->cursor - info->buffer));
    const std::size_t blank = before.rfind(' ');
    const std::size_t typed = blank == std::string_view::npos ? before.size() : before.size() - blank - 1;
    const std::vector<std::string> found = completions(before);
    if (found.empty()) return CC_ERROR;
    if (found.size() == 1) {
        // A keyword is followed by the next word; a file name ends the
        // command, and a blank after it would become part of the name.
        std::string rest = found.front().substr(typed);
        if (std::find(commandString.begin(), commandString.end(), found.front()) != commandString.end()) rest += ' ';
        return el_insertstr(el, rest.c_str()) == 0 ? CC_REFRESH : CC_ERROR;
    }
    const std::string shared = commonPrefix(found);
    if (shared.size() > typed) return el_insertstr(el, shared.substr(typed).c_str()) == 0 ? CC_REFRESH : CC_ERROR;
    std::fputc('\n', stdout);
    for (const std::string& w : found)
        std::printf("%s  ", w.c_str());
    std::fputc('\n', stdout);
    return CC_REDISPLAY;
}

class LibeditEditor final : public LineEditor {
public:
    explicit LibeditEditor(EditLine* el) : el(el), history(history_init())
    {
        HistEvent event;
        ::history(history, &event, H_SETSIZE, historyLines);
        ::history(history, &event, H_SETUNIQUE, 1);
        el_set(el, EL_HIST, ::history, history);
        el_set(el, EL_PROMPT, promptOf);
        el_set(el, EL_EDITOR, "emacs");
        // The wide form keeps these two names as given; the narrow one copies
        // them and never frees the copies.
        el_wset(el, EL_ADDFN, L"msp-complete", L"Complete a keyword or file name", complete);
        el_set(el, EL_BIND, "^I", "msp-complete", nullptr);
        el_set(el, EL_BIND, "^W", "ed-delete-prev-word", nullptr);
        el_source(el, nullptr); // the user's ~/.editrc, as every libedit program
        // An empty HOME is no home: the history would land in the root folder.
        if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
            file = std::string(home) + "/.meshprobe_history";
        if (!file.empty()) ::history(history, &event, H_LOAD, file.c_str());
    }

    ~LibeditEditor() override
    {
        HistEvent event;
        // No home, no history file.
        if (!file.empty()) ::history(history, &event, H_SAVE, file.c_str());
        history_end(history);
        el_end(el);
    }

    LibeditEditor(const LibeditEditor&) = delete;
    LibeditEditor& operator=(const LibeditEditor&) = delete;

    bool readLine(std::string& line) override
    {
        int count = 0;
        const char* text = el_gets(el, &count);
        if (text == nullptr || count <= 0) return false;
        line.assign(text, static_cast<std::size_t>(count));
        if (line.find_first_not_of(" \t\r\n") != std::string::npos) {
            HistEvent event;
            std::string entry = line;
            while (!entry.empty() && (entry.back() == '\n' || entry.back() == '\r'))
                entry.pop_back();
            ::history(history, &event, H_ENTER, entry.c_str());
        }
        return true;
    }

private:
    EditLine* el;
    History* history;
    std::string file;
};

} // namespace

std::unique_ptr<LineEditor> openLineEditor(std::string_view prompt)
{
    promptText = prompt;
    EditLine* el = el_init("meshprobe", stdin, stdout, stderr);
    if (el == nullptr) return nullptr;
    return std::make_unique<LibeditEditor>(el);
}
