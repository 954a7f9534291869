#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "console/interpreter.h"
#include "console/lineedit.h"

namespace {

std::vector<std::string_view> wordsOf(std::string_view text)
{
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t start = text.find_first_not_of(' ', at);
        if (start == std::string_view::npos) break;
        const std::size_t end = std::min(text.find(' ', start), text.size());
        words.push_back(text.substr(start, end - start));
        at = end;
    }
    return words;
}

bool isNumber(std::string_view word)
{
    return !word.empty() &&
           std::all_of(word.begin(), word.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

// The keyword a typed first word stands for, as the parser resolves it.
std::string_view commandOf(std::string_view word)
{
    std::string_view match;
    return matchingKeywords(word, match, 1) == 1 ? match : std::string_view();
}

std::vector<std::string> keywordsAt(int position, std::string_view prefix)
{
    std::vector<std::string> found;
    if (position < 1 || position > static_cast<int>(argIndex.size())) return found;
    const int first = argIndex[static_cast<std::size_t>(position - 1)];
    const int last = position < static_cast<int>(argIndex.size()) ? argIndex[static_cast<std::size_t>(position)]
                                                                  : static_cast<int>(commandString.size());
    for (int k = first; k < last; ++k)
        if (commandString[static_cast<std::size_t>(k)].starts_with(prefix))
            found.emplace_back(commandString[static_cast<std::size_t>(k)]);
    return found;
}

std::vector<std::string> fileNames(std::string_view prefix)
{
    std::vector<std::string> found;
    const std::size_t slash = prefix.rfind('/');
    const std::string dir = slash == std::string_view::npos ? "." : std::string(prefix.substr(0, slash + 1));
    const std::string_view head = slash == std::string_view::npos ? std::string_view() : prefix.substr(0, slash + 1);
    const std::string_view stem = slash == std::string_view::npos ? prefix : prefix.substr(slash + 1);
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(dir, error)) {
        const std::string name = entry.path().filename().string();
        if (!name.starts_with(stem) || (name[0] == '.' && !stem.starts_with('.'))) continue;
        found.push_back(std::string(head) + name + (entry.is_directory(error) ? "/" : ""));
    }
    std::sort(found.begin(), found.end());
    return found;
}

} // namespace

std::vector<std::string> completions(std::string_view before)
{
    // The word being completed is empty after a blank.
    std::vector<std::string_view> words = wordsOf(before);
    const bool fresh = before.empty() || before.back() == ' ';
    const std::string_view prefix = fresh || words.empty() ? std::string_view() : words.back();
    if (!fresh && !words.empty()) words.pop_back();
    const std::string_view command = words.empty() ? std::string_view() : commandOf(words.front());
    // load takes a file name; save takes one after its component and index.
    if (command == "load" || (command == "save" && words.size() >= 3)) return fileNames(prefix);
    // Component numbers take no place among the keywords.
    const auto places = std::count_if(words.begin(), words.end(), [](std::string_view w) { return !isNumber(w); });
    return keywordsAt(static_cast<int>(places) + 1, prefix);
}
