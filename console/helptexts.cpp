#include "console/helptexts.h"

#include <span>
#include <string_view>

#include "console/interpreter.h"

namespace {

// One entry per output line (some end in a blank line), kept exactly as the
// users have always seen them.

constexpr std::string_view dumpHelp[] = {
    "\nDump command is used to get a list of items inside a graph or its\n",
    "portion. Command syntax is:\n\n",
    "dump <object> <property>\n\n",
    "where\n\n",
    " <object> is the area to be dumped, and can be one of:\n\n",
    "  graph   tells dump to work on the entire previously loaded graph\n",
    "  scc <n> tells dump to work on the strongly connected component of\n",
    "          index <n>\n",
    "  cc <n>  tells dump to work on the connected component of index <n>\n\n",
    " <property> is the type of content to be listed, and can be one of:\n\n",
    "  nodes         is used to get a list of the nodes; output is a plain\n",
    "                list of AS numbers\n",
    "  edges         is used to get a list of the edges; output is in the\n",
    "                form\n",
    "                   A ddd B\n",
    "                where A and B are the two terminals of the edge, and ddd\n",
    "                can be one of the following:\n",
    "                   --- edge has not been assigned an orientation\n",
    "                       (unoriented)\n",
    "                   <-- edge is directed from B to A\n",
    "                   --> edge is directed from A to B\n",
    "                   <-> edge is a (bi-directed) peering edge\n",
    "  ipcovering    is used to get a more detailed list of the edges,\n",
    "                where for each however directed edge A B, the number of\n",
    "                IP addresses that were announced over it is reported;\n",
    "                output is a list of edges with covering information\n",
    "                following each edge: the first value is the number of\n",
    "                addresses that have been announced from A to B, while\n",
    "                the second one is the number of addresses that have\n",
    "                been announced from B to A; for each value, also its\n",
    "                corresponding \"netmask\" coverage is reported\n",
    "  pathcovering  is used to get a list of the edges together with the\n",
    "                number of paths they appeared in; for each however\n",
    "                directed edge A B, two values are reported: the first\n",
    "                one is the number of appearances of the adjacency A B\n",
    "                among the paths; the second one is the number of\n",
    "                appearances of the reversed adjacency B A among the\n",
    "                same paths\n",
    "  differences   is used to obtain information about edges' orientation\n",
    "                history; when using this mode, the plain list of the\n",
    "                edges is enriched with a set of values, which, from\n",
    "                the leftmost to the rightmost, have the following\n",
    "                meaning:\n",
    "                   - number of compared graphs the edge appeared in\n",
    "                   - number of changes in the orientation of the edge\n",
    "                     (including transitions from an oriented state to\n",
    "                     an unoriented one and vice versa)\n",
    "                   - mean edge orientation firmness (i.e., the mean\n",
    "                     number of subsequent graphs in which the edge\n",
    "                     kept its orientation)\n",
    "                   - the following values represent the number of\n",
    "                     times the edge appeared with a given orientation\n",
    "                     (see above for the meaning of the various\n",
    "                     orientation symbols)\n",
    "  valency       lists the degrees of every AS: its adjacencies (each\n",
    "                neighbour counts once), incoming and outgoing ones (an\n",
    "                adjacency usable both ways is both), and for a graph\n",
    "                read from an AS-relationship file its customers,\n",
    "                providers and peers\n",
    "  kcores        lists the core number of every AS: the largest k such\n",
    "                that the AS belongs to a subgraph where every AS has at\n",
    "                least k neighbours\n",
    "  cones         lists the customer cone size of every AS (itself and\n",
    "                every AS reached going down from providers to\n",
    "                customers); needs a graph read from an AS-relationship\n",
    "                file\n\n",
    "When dealing with differential graphs, most values (including edge\n",
    "orientations) are reported twice, meaning that the first group of\n",
    "values represents the first of the compared graphs, while the second\n",
    "one represents the second of the compared graphs.\n\n",
};

constexpr std::string_view showHelp[] = {
    "\nThe `show' command can be used to get cumulative information about\n",
    "graph properties. Command syntax is:\n\n",
    "show <object> <property> [<diffProperty>]\n\n",
    "where\n\n",
    " <object> is the area to work on, and can be one of:\n\n",
    "  graph          tells show to work on the entire previously loaded\n",
    "                 graph\n",
    "  scc <n>        focuses the attention on the strongly connected\n",
    "                 component of index <n>\n",
    "  cc <n>         tells show to use the connected component of index\n",
    "                 <n> as its target\n",
    "  anyscc         considers every strongly connected component (use it\n",
    "                 if you wish to print a distribution of the strongly\n",
    "                 connected components size)\n",
    "  anycc          works the same as `anyscc', but instead focuses on\n",
    "                 connected components\n\n",
    " <property> is the entity whose size (distribution) should be reported,\n",
    " and can be one of:\n\n",
    "   information   which is the only \"strange\" kind of property; use\n",
    "                 this keyword to print general information concerning\n",
    "                 the graph\n",
    "   nodes         which just reports the number of nodes in the selected\n",
    "                 portion of the graph\n",
    "   edges         which reports the number of edges\n",
    "   index         which lists the indexes of the (S)CCs, together with\n",
    "                 their size; this keyword can only be used when target\n",
    "                 is either `anyscc' or `anycc'\n",
    "   ipcovering    if you want to get a distribution of the number of\n",
    "                 addresses that have been advertised over each edge\n",
    "                 (regardless of the direction in which they were announced\n",
    "                 over it)\n",
    "   pathcovering  to print a distribution of the number of paths each\n",
    "                 edge appeared in (regardless of the order in which its\n",
    "                 end ASs appeared in the paths)\n",
    "   differences   in order to unlock a new series of keywords which can\n",
    "                 be used to get information about graph comparisons\n",
    "                 results\n",
    "   valency       shows the distributions of the degrees of the ASs\n",
    "                 (see `help dump')\n",
    "   kcores        shows the distribution of the core numbers and the\n",
    "                 members of the innermost core\n",
    "   cones         shows the distribution of the customer cone sizes and\n",
    "                 the largest cones\n\n",
    " <diffProperty> is one of the following differential properties (use\n",
    " this argument only when <property> is `differences'):\n\n",
    "   attendances   shows a distribution of the number of compared graphs\n",
    "                 each edge appeared in\n",
    "   directed      shows a distribution of the number of times each edge\n",
    "                 appeared directed with respect to its attendances\n",
    "   undirected    the same as `directed', but for undirected instances\n",
    "   oriented      the same as `directed', but for oriented instances\n",
    "   unoriented    the same as `directed', but for unoriented instances\n",
    "   changes       shows a distribution of the number of orientation\n",
    "                 changes each edge has undergone, with respect to its\n",
    "                 attendances\n",
    "   duration      shows a distribution of the mean duration of an\n",
    "                 orientation - number of subsequent graphs in which the\n",
    "                 edge retained the same orientation - with respect to\n",
    "                 the edge's attendances\n\n",
};

constexpr std::string_view loadHelp[] = {
    "\nThe `load' command reads a graph file and stores it in memory after\n",
    "having computed its connected components. From that moment onwards,\n",
    "the graph is available for processing by means of the other commands.\n",
    "Command syntax is:\n\n",
    "load <filename>\n\n",
    "where <filename> is the name of the graph file to be loaded\n\n",
};

constexpr std::string_view clearHelp[] = {
    "\nUse the `clear' command to release memory by deleting the graph you\n",
    "are currently working on. Command syntax is:\n\n",
    "clear\n\n",
};

constexpr std::string_view echoHelp[] = {
    "\nThis command can be used both to switch on/off command echoing and to\n",
    "display a user message. Command syntax is:\n\n",
    "echo [-n|-off|-on] <message>\n\n",
    "where:\n",
    " -n   tells echo not to insert a newline character after displaying\n",
    "      <message>\n",
    " -off tells echo to disable command echoing (no message must be given)\n",
    " -on  tells echo to enable command echoing (no message must be given)\n\n",
};

constexpr std::string_view saveHelp[] = {
    "\nThe `save' command allows to isolate a (strongly) connected component\n",
    "of the currently processed graph and to save it to a file (which can\n",
    "then be loaded for processing). Command syntax is:\n\n",
    "save {scc <n>|cc <n>} <filename>\n\n",
    "where:\n",
    "  scc and cc are used to specify which (strongly) connected component\n",
    "             to work on\n",
    "  <filename> is the name of the file to save the extracted component\n",
    "             to\n\n",
};

constexpr std::string_view inspectHelp[] = {
    "\nThe `inspect' command tells everything about one AS at once: its\n",
    "degrees, its neighbours by orientation (customers, providers and\n",
    "peers for a graph read from an AS-relationship file), its strongly\n",
    "connected and connected components with their sizes, its core number\n",
    "and its customer cone size. Command syntax is:\n\n",
    "inspect <as>\n\n",
};

constexpr std::string_view valleyfreeHelp[] = {
    "\nThe `valleyfree' command checks a file of AS paths, one per line as\n",
    "routesift writes them, against a graph read from an AS-relationship\n",
    "file. A path is valley-free when it climbs customer-to-provider links,\n",
    "crosses at most one peer link and then only descends. It counts the\n",
    "valley-free paths, the paths with a valley and the paths crossing a\n",
    "link the graph does not know. Command syntax is:\n\n",
    "valleyfree [-v] <filename>\n\n",
    "where -v lists the first offending link of every other path\n\n",
};

constexpr std::string_view writeHelp[] = {
    "\nThe `write' command writes the graph, one of its components or the\n",
    "per-AS results to a file that other tools read. Command syntax is:\n\n",
    "write {graph|scc <n>|cc <n>} <format> <filename>\n\n",
    "where <format> is one of:\n\n",
    "  edges          a CSV edge list with a header row: source, target,\n",
    "                 orientation (forward, backward, both, none), path and\n",
    "                 IP coverings of each direction\n",
    "  nodes          a CSV table of the ASs: component numbers, degrees,\n",
    "                 core number and customer cone size\n",
    "  xml            GraphML with the same attributes, for networkx,\n",
    "                 igraph and Gephi\n",
    "  relationships  an AS-relationship file (provider|customer|-1,\n",
    "                 peer|peer|0), for a graph read from one\n\n",
};

constexpr std::string_view exitHelp[] = {
    "\nBoth `exit' and `quit' are used to clean up memory and abandon the\n",
    "program. Command syntaxes are:\n\n",
    "exit\n",
    "quit\n\n",
};

void writeAll(std::span<const std::string_view> lines, std::FILE* out)
{
    for (const std::string_view line : lines)
        std::fwrite(line.data(), 1, line.size(), out);
}

void printGeneralHelp(std::FILE* out)
{
    std::fputs("\nAvailable commands are:\n", out);
    for (int entry = argIndex[0]; entry < argIndex[1]; ++entry) {
        const std::string_view keyword = commandString[static_cast<std::size_t>(entry)];
        std::fwrite(keyword.data(), 1, keyword.size(), out);
        std::fputc(' ', out);
    }
    std::fputs("\nCommands can be truncated, if this does not arise ambiguities (e.g.,\n", out);
    std::fputs("`d g n' is the same as `dump graph nodes')\n", out);
    std::fputs("\nType `help <command>' to get more help about a command.\n\n", out);
}

} // namespace

void printCommandHelp(command_code code, std::FILE* out)
{
    switch (code) {
    case CMD_NONE: printGeneralHelp(out); break;
    case CMD_DUMP: writeAll(dumpHelp, out); break;
    case CMD_SHOW: writeAll(showHelp, out); break;
    case CMD_LOAD: writeAll(loadHelp, out); break;
    case CMD_CLEAR: writeAll(clearHelp, out); break;
    case CMD_ECHO: writeAll(echoHelp, out); break;
    case CMD_SAVE: writeAll(saveHelp, out); break;
    case CMD_EXIT: writeAll(exitHelp, out); break;
    case CMD_INSPECT: writeAll(inspectHelp, out); break;
    case CMD_VALLEYFREE: writeAll(valleyfreeHelp, out); break;
    case CMD_WRITE: writeAll(writeHelp, out); break;
    }
}
