#include "console/interpreter.h"

#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <new>
#include <string>

#include "common/report.h"
#include "console/commands.h"
#include "console/helptexts.h"

namespace {

// Keyword entries of the table, by name, so the parser reads as the language.
enum keyword_entry : int {
    K_EXIT = 0,
    K_QUIT,
    K_DUMP,
    K_SHOW,
    K_HELP,
    K_LOAD,
    K_CLEAR,
    K_ECHO,
    K_SAVE,
    K_INSPECT,
    K_VALLEYFREE,
    K_WRITE,
    K_GRAPH,
    K_SCC,
    K_ANYSCC,
    K_CC,
    K_ANYCC,
    K_INFORMATION,
    K_NODES,
    K_EDGES,
    K_INDEX,
    K_IPCOVERING,
    K_PATHCOVERING,
    K_DIFFERENCES,
    K_VALENCY,
    K_KCORES,
    K_CONES,
    K_XML,
    K_RELATIONSHIPS,
    K_ATTENDANCES,
    K_DIRECTED,
    K_UNDIRECTED,
    K_ORIENTED,
    K_UNORIENTED,
    K_CHANGES,
    K_DURATION,
};

constexpr int lastPosition = static_cast<int>(argIndex.size());

// Diagnostics go to standard error; whatever the command already wrote to
// standard output (its echo, above all) must come out first when both
// streams end up in the same place.
void reportError(std::initializer_list<std::string_view> parts)
{
    std::string text;
    for (const std::string_view part : parts)
        text += part;
    reportText(report_level::error, text);
}

// Splits a command at blanks only: tabs and every other byte belong to
// tokens. Also hands out the free text that follows a token.
class Tokenizer {
public:
    explicit Tokenizer(std::string_view text) : text_(text) {}

    std::optional<std::string_view> next()
    {
        std::size_t start = end_;
        while (start < text_.size() && text_[start] == ' ')
            ++start;
        if (start == text_.size()) {
            end_ = start;
            return std::nullopt;
        }
        std::size_t stop = text_.find(' ', start);
        if (stop == std::string_view::npos) stop = text_.size();
        end_ = stop;
        return text_.substr(start, stop - start);
    }

    // Everything after the last token taken and exactly one blank; further
    // blanks belong to the text (file names may begin with or hold blanks).
    std::optional<std::string_view> rest() const
    {
        if (end_ >= text_.size()) return std::nullopt;
        return text_.substr(end_ + 1);
    }

private:
    std::string_view text_;
    std::size_t end_ = 0; // just past the last token taken
};

int findKeywords(std::string_view token, int position, int& entry)
{
    entry = -1;
    if (position < 1 || position > lastPosition) return 0;
    const int first = argIndex[static_cast<std::size_t>(position - 1)];
    const int last =
        position < lastPosition ? argIndex[static_cast<std::size_t>(position)] : static_cast<int>(commandString.size());
    int count = 0;
    for (int i = first; i < last; ++i) {
        if (commandString[static_cast<std::size_t>(i)].starts_with(token)) {
            ++count;
            entry = i;
        }
    }
    if (count != 1) entry = -1;
    return count;
}

// A component index as a decimal long, accepted only when the conversion
// uses the whole token; out-of-range values saturate, and zero or negative
// numbers are left for the commands to refuse.
bool parseIndex(std::string_view token, long& index)
{
    const std::string digits(token); // strtol needs the terminator
    char* end = nullptr;
    const long value = std::strtol(digits.c_str(), &end, 10);
    if (end != digits.c_str() + digits.size()) return false;
    index = value;
    return true;
}

bool hasNul(std::string_view text) { return text.find('\0') != std::string_view::npos; }

class CommandParser {
public:
    explicit CommandParser(std::string_view command) : tokens_(command) {}

    parsed_command parse()
    {
        std::optional<std::string_view> token = tokens_.next();
        while (cmd_.accepted && !cmd_.stopped && token && !(cmd_.help && cmd_.position > 1)) {
            lastToken_ = *token;
            ++cmd_.position;
            cmd_.accepted = false;
            int entry = -1;
            if (findKeywords(*token, cmd_.position, entry) > 1) {
                reportError({"Ambiguous token: `", *token, "'\n"});
                cmd_.stopped = true;
                break;
            }
            switch (cmd_.position) {
            case 1: takeCommand(entry); break;
            case 2: takeObject(entry); break;
            case 3: takeProperty(entry); break;
            case 4: takeDiffProperty(entry); break;
            default:
                reportError({"Error: too many arguments\n"});
                cmd_.stopped = true;
                break;
            }
            if (cmd_.accepted && !cmd_.stopped) token = tokens_.next();
        }
        if (!cmd_.accepted && !cmd_.stopped && !cmd_.quit) reportError({"Error: invalid keyword `", lastToken_, "'\n"});
        return cmd_;
    }

private:
    void takeCommand(int entry)
    {
        switch (entry) {
        case K_HELP:
            cmd_.accepted = true;
            if (cmd_.help) {
                reportError({"Error: help command used more than once\n"});
            } else {
                cmd_.help = true;
                cmd_.position = 0; // the next word names the command to explain
            }
            break;
        case K_EXIT:
        case K_QUIT:
            cmd_.accepted = true;
            cmd_.code = CMD_EXIT;
            cmd_.quit = !cmd_.help;
            break;
        case K_DUMP: accept(CMD_DUMP); break;
        case K_SHOW: accept(CMD_SHOW); break;
        case K_CLEAR: accept(CMD_CLEAR); break;
        case K_SAVE: accept(CMD_SAVE); break;
        case K_LOAD:
            cmd_.code = CMD_LOAD;
            cmd_.text = tokens_.rest();
            if (!cmd_.help && (!cmd_.text || cmd_.text->empty())) {
                reportError({"Error: file name expected\n"});
            } else {
                cmd_.accepted = true;
            }
            cmd_.stopped = true;
            break;
        case K_INSPECT: takeText(CMD_INSPECT, "Error: AS number expected\n"); break;
        case K_VALLEYFREE: takeText(CMD_VALLEYFREE, "Error: file name expected\n"); break;
        case K_WRITE: accept(CMD_WRITE); break;
        case K_ECHO:
            cmd_.code = CMD_ECHO;
            cmd_.text = tokens_.rest();
            cmd_.accepted = true;
            cmd_.stopped = true;
            break;
        default: break;
        }
    }

    void takeObject(int entry)
    {
        switch (entry) {
        case K_GRAPH: setObject(T_GRAPH); break;
        case K_ANYSCC: setObject(T_ANYSCC); break;
        case K_ANYCC: setObject(T_ANYCC); break;
        case K_SCC:
            cmd_.target.object = T_SCC;
            takeIndex("Error: SCC index expected\n", "Error: invalid number for SCC index (`");
            break;
        case K_CC:
            cmd_.target.object = T_CC;
            takeIndex("Error: CC index expected\n", "Error: invalid number for CC index (`");
            break;
        default: return;
        }
        if (cmd_.stopped || cmd_.code != CMD_SAVE) return;
        if (cmd_.target.object == T_SCC || cmd_.target.object == T_CC) {
            cmd_.text = tokens_.rest();
            if (!cmd_.text || cmd_.text->empty()) {
                reportError({"Error: file name expected\n"});
                cmd_.accepted = false;
            }
        }
        // Whatever follows the object of save is its file name, never a
        // property: a save of a non-component is refused as such, not as a
        // file name that happens to be no keyword.
        cmd_.stopped = true;
    }

    // A command whose only argument is the rest of the line.
    void takeText(command_code code, std::string_view missing)
    {
        cmd_.code = code;
        cmd_.text = tokens_.rest();
        if (!cmd_.help && (!cmd_.text || cmd_.text->empty()))
            reportError({missing});
        else
            cmd_.accepted = true;
        cmd_.stopped = true;
    }

    void takeIndex(std::string_view missing, std::string_view invalid)
    {
        const std::optional<std::string_view> token = tokens_.next();
        if (!token) {
            reportError({missing});
            cmd_.stopped = true;
            return;
        }
        if (!parseIndex(*token, cmd_.index)) {
            reportError({invalid, *token, "')\n"});
            cmd_.stopped = true;
            return;
        }
        cmd_.accepted = true;
    }

    void takeProperty(int entry)
    {
        switch (entry) {
        case K_INFORMATION: setProperty(T_INFORMATION); break;
        case K_NODES: setProperty(T_NODES); break;
        case K_EDGES: setProperty(T_EDGES); break;
        case K_IPCOVERING: setProperty(T_IPCOVERING); break;
        case K_PATHCOVERING: setProperty(T_PATHCOVERING); break;
        case K_DIFFERENCES: setProperty(T_DIFFERENCES); break;
        case K_INDEX: setProperty(T_INDEX); break;
        case K_VALENCY: setProperty(T_VALENCY); break;
        case K_KCORES: setProperty(T_KCORES); break;
        case K_CONES: setProperty(T_CONES); break;
        case K_XML: setProperty(T_XML); break;
        case K_RELATIONSHIPS: setProperty(T_RELATIONSHIPS); break;
        default: break;
        }
        // What follows the format of write is its file name.
        if (cmd_.accepted && cmd_.code == CMD_WRITE) {
            cmd_.text = tokens_.rest();
            if (!cmd_.text || cmd_.text->empty()) {
                reportError({"Error: file name expected\n"});
                cmd_.accepted = false;
            }
            cmd_.stopped = true;
        }
    }

    void takeDiffProperty(int entry)
    {
        switch (entry) {
        case K_ATTENDANCES: setDiffProperty(T_ATTENDANCES); break;
        case K_DIRECTED: setDiffProperty(T_DIRECTED); break;
        case K_UNDIRECTED: setDiffProperty(T_UNDIRECTED); break;
        case K_ORIENTED: setDiffProperty(T_ORIENTED); break;
        case K_UNORIENTED: setDiffProperty(T_UNORIENTED); break;
        case K_CHANGES: setDiffProperty(T_CHANGES); break;
        case K_DURATION: setDiffProperty(T_DURATION); break;
        default: break;
        }
    }

    void accept(command_code code)
    {
        cmd_.accepted = true;
        cmd_.code = code;
    }
    void setObject(target_code code)
    {
        cmd_.accepted = true;
        cmd_.target.object = code;
    }
    void setProperty(target_code code)
    {
        cmd_.accepted = true;
        cmd_.target.property = code;
    }
    void setDiffProperty(target_code code)
    {
        cmd_.accepted = true;
        cmd_.target.diffProperty = code;
    }

    Tokenizer tokens_;
    parsed_command cmd_;
    std::string_view lastToken_;
};

bool isAnyComponent(target_code object) { return object == T_ANYSCC || object == T_ANYCC; }

bool isFormat(target_code property) { return property == T_XML || property == T_RELATIONSHIPS; }

bool checkWrite(const command_target& t)
{
    if (t.object != T_GRAPH && t.object != T_SCC && t.object != T_CC) {
        reportError({"Error: `write' command works on the graph, an scc or a cc\n"});
    } else if (t.property != T_NODES && t.property != T_EDGES && !isFormat(t.property)) {
        reportError({"Error: `write' command writes nodes, edges, xml or relationships\n"});
    } else {
        return true;
    }
    return false;
}

} // namespace

bool checkCombination(const parsed_command& cmd)
{
    const command_target& t = cmd.target;
    if ((cmd.code == CMD_SHOW || cmd.code == CMD_DUMP) && isFormat(t.property)) {
        reportError({"Error: xml and relationships are formats of the `write' command\n"});
        return false;
    }
    switch (cmd.code) {
    case CMD_SHOW:
        if (t.property == T_INFORMATION && t.object != T_GRAPH) {
            reportError({"Error: information can only be shown for the whole graph\n"});
        } else if (t.property == T_INDEX && !isAnyComponent(t.object)) {
            reportError({"Error: (S)CCs indexes can only be listed for all the (S)CCs\n"});
        } else if (isAnyComponent(t.object) && t.property != T_NODES && t.property != T_EDGES &&
                   t.property != T_INDEX) {
            reportError({"Error: can only show distribution or indexes for (S)CCs\n"});
        } else if (t.diffProperty != T_NONE && t.property != T_DIFFERENCES) {
            reportError({"Error: such distribution can only be shown for differences\n"});
        } else if (t.property == T_DIFFERENCES && t.diffProperty == T_NONE) {
            reportError({"Error: I don't know which differences to show\n"});
        } else {
            return true;
        }
        return false;
    case CMD_DUMP:
        if (isAnyComponent(t.object)) {
            reportError({"Error: dump command cannot work on multiple (S)CCs\n"});
        } else if (t.property == T_INFORMATION || t.property == T_INDEX) {
            reportError({"Error: such information can only be requested by using the `show' command\n"});
        } else if (t.diffProperty != T_NONE) {
            reportError({"Error: too many arguments\n"});
        } else {
            return true;
        }
        return false;
    case CMD_CLEAR:
        if (cmd.position > 1) {
            reportError({"Error: `clear' command takes no arguments\n"});
            return false;
        }
        return true;
    case CMD_SAVE:
        if (t.object != T_SCC && t.object != T_CC) {
            reportError({"Error: `save' command can only be used to save (S)CCs\n"});
            return false;
        }
        return true;
    case CMD_WRITE: return checkWrite(t);
    default: return true;
    }
}

namespace {

// A NUL byte cannot be passed to the file system: the name would silently
// end there and another file would be read or written.
bool fileNameUsable(std::string_view name)
{
    if (!hasNul(name)) return true;
    reportError({"Error: file names cannot contain NUL characters\n"});
    return false;
}

void execute(const parsed_command& cmd, console_state& state, bool forceOverwrite)
{
    switch (cmd.code) {
    case CMD_DUMP: dumpGraph(cmd.target, cmd.index, state); break;
    case CMD_SHOW: showCount(cmd.target, cmd.index, state); break;
    case CMD_LOAD:
        if (fileNameUsable(*cmd.text)) loadGraph(std::string(*cmd.text), state);
        break;
    case CMD_CLEAR: clearMem(state); break;
    case CMD_INSPECT: inspectAS(*cmd.text, state); break;
    case CMD_VALLEYFREE:
        if (fileNameUsable(*cmd.text)) checkValleys(*cmd.text, state);
        break;
    case CMD_WRITE:
        if (fileNameUsable(*cmd.text))
            writeResults(std::string(*cmd.text), cmd.target, cmd.index, state, forceOverwrite);
        break;
    case CMD_ECHO: echoString(cmd.text, state.echo); break;
    case CMD_SAVE:
        if (fileNameUsable(*cmd.text)) saveGraph(std::string(*cmd.text), cmd.target, cmd.index, state, forceOverwrite);
        break;
    case CMD_NONE:
    case CMD_EXIT: break;
    }
}

} // namespace

parsed_command parseCommand(std::string_view command) { return CommandParser(command).parse(); }

int matchingKeywords(std::string_view token, std::string_view& match, int position)
{
    int entry = -1;
    const int count = findKeywords(token, position, entry);
    match = entry >= 0 ? commandString[static_cast<std::size_t>(entry)] : std::string_view();
    return count;
}

void echoString(std::optional<std::string_view> message, bool& echo)
{
    if (!message || message->empty()) return;
    if (*message == "-on") {
        echo = true;
    } else if (*message == "-off") {
        echo = false;
    } else if (message->starts_with("-n")) {
        // "-n" and the one separator after it are not part of the text.
        if (message->size() > 3) std::fwrite(message->data() + 3, 1, message->size() - 3, stdout);
    } else {
        std::fwrite(message->data(), 1, message->size(), stdout);
        std::fputc('\n', stdout);
    }
}

bool executeCommand(std::string_view command, console_state& state, bool forceOverwrite)
{
    if (state.echo) {
        std::fwrite(command.data(), 1, command.size(), stdout);
        std::fputc('\n', stdout);
        // The command must show before anything it reports on standard error.
        std::fflush(stdout);
    }
    const parsed_command cmd = parseCommand(command);
    if (!cmd.accepted || cmd.quit) return cmd.quit;
    if (cmd.help) {
        printCommandHelp(cmd.code, stdout);
        return false;
    }
    if (!checkCombination(cmd)) return false;
    // Errors inside a command never end the session, running out of memory
    // included: the command fails, and a load leaves nothing half-loaded.
    try {
        execute(cmd, state, forceOverwrite);
    } catch (const std::bad_alloc&) {
        if (cmd.code != CMD_LOAD) {
            report("Error: not enough memory");
            return false;
        }
        clearMem(state);
        report("Error: not enough memory to load file `" + std::string(cmd.text.value_or("")) + "'");
    }
    return false;
}
