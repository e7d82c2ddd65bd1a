// The machine under a curve: what it is (topology from hwloc, system facts), what the programs
// were built with, where the threads of a team are placed and actually ran, and the warnings
// that explain a figure. Measuring code asks here; nothing here times anything.
#pragma once

#include "common/build_info.h" // compiler, flags, OpenMP, revision
#include "machine/binding.h"   // BindMode, team placement
#include "machine/topology.h"  // MachineInfo, read_machine
#include "machine/waiting.h"   // how long this process's threads waited for a CPU
#include "machine/warnings.h"  // Warning and the rules that raise one
