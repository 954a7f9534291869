#pragma once
// The parsed form of a console command and the commands that act on the
// working graph. The interpreter has checked the combination before any of
// these run; each prints its own results and error messages.
#include <cstdint>
#include <string>
#include <string_view>

#include "console/state.h"

// Which command a text names; also selects the help text (0: general help).
enum command_code : int {
    CMD_NONE = 0,
    CMD_DUMP = 1,
    CMD_SHOW = 2,
    CMD_LOAD = 3,
    CMD_CLEAR = 4,
    CMD_ECHO = 5,
    CMD_SAVE = 6,
    CMD_EXIT = 7,
    CMD_INSPECT = 8,
    CMD_VALLEYFREE = 9,
    CMD_WRITE = 10,
};

// One numbering for the object, property and differential property of a command.
enum target_code : std::int32_t {
    T_GRAPH = 0,
    T_SCC = 1,
    T_ANYSCC = 2,
    T_CC = 3,
    T_ANYCC = 4,
    T_IPCOVERING = 5,
    T_PATHCOVERING = 6,
    T_NODES = 7,
    T_EDGES = 8,
    T_INDEX = 9,
    T_INFORMATION = 10,
    T_DIFFERENCES = 11,
    T_NONE = 12,
    T_ATTENDANCES = 13,
    T_DIRECTED = 14,
    T_UNDIRECTED = 15,
    T_ORIENTED = 16,
    T_UNORIENTED = 17,
    T_CHANGES = 18,
    T_DURATION = 19,
    T_VALENCY = 20,
    T_KCORES = 21,
    T_CONES = 22,
    T_XML = 23,
    T_RELATIONSHIPS = 24,
};

struct command_target {
    target_code object = T_NONE;
    target_code property = T_NONE;
    target_code diffProperty = T_NONE;
};

// Selects one of the two compared graphs of a differential graph.
enum cmp_graph : std::int32_t { CMP_FIRST = 0, CMP_SECOND = 1 };

// index: the component number typed after scc/cc, -1 when none was given.
void dumpGraph(const command_target& target, long index, const console_state& state);
void showCount(const command_target& target, long index, const console_state& state);
void loadGraph(const std::string& fileName, console_state& state);
void clearMem(console_state& state);
void saveGraph(const std::string& fileName, const command_target& target, long index, const console_state& state,
               bool forceOverwrite);

// The analyses of dump and show: the degrees, core numbers or cone sizes of
// every AS (dump) or their distributions (show) in the chosen graph.
void dumpMeasure(target_code property, const ASComponent& graph, const console_state& state);
void showMeasure(target_code property, const ASComponent& graph, const console_state& state);
// Everything about one AS: `text` names it.
void inspectAS(std::string_view text, const console_state& state);
// The valley-free test of the AS paths in a file; "-v " before the name
// lists the first offending link of every failing path.
void checkValleys(std::string_view text, console_state& state);
// Writes the graph or a component as a CSV edge list or node table, as
// GraphML or as an AS-relationship file.
void writeResults(const std::string& fileName, const command_target& target, long index, const console_state& state,
                  bool forceOverwrite);
