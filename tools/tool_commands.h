// The commands of corvane-tool. Each takes the arguments after its name and
// returns the process exit code.
#pragma once

namespace corvane {

int PerftCommand(int argc, char** argv);
int BenchCommand(int argc, char** argv);
int EvalCommand(int argc, char** argv);
int SearchCommand(int argc, char** argv);
int ThreadBench(int argc, char** argv);

}  // namespace corvane
