#pragma once
// The line editor of the interactive prompt: line editing, history and Tab
// completion where the build found libedit, a plain read where it did not.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class LineEditor {
public:
    virtual ~LineEditor() = default;
    // Shows the prompt and reads one line into `line`, line feed included.
    // False at the end of input, or when a signal cut the read short.
    virtual bool readLine(std::string& line) = 0;
};

// An editor on the terminal of standard input and output; null when this
// build has no line editing, and the caller reads standard input itself.
std::unique_ptr<LineEditor> openLineEditor(std::string_view prompt);

// What Tab offers for the word that ends `before` (the line up to the
// cursor): command keywords of the word's place, or file names after load
// and save. Each candidate is a whole word.
std::vector<std::string> completions(std::string_view before);
