#include "machine/team.h"

#include "machine/binding.h"

int granted_team_size(int requested)
{
    // The same untimed team that reads where threads run; without a topology it binds nothing
    // and reads nothing, and its size is the team granted.
    return static_cast<int>(team_cpus(Topology(), requested).size());
}
