// routesift: extracts, cleans and groups the AS paths of a BGP table dump.
#include "extractor/run.h"

int main(int argc, char** argv) { return runExtractor(argc, argv); }
