// The line every parallel kernel prints from inside its team, so that a run shows the team
// the runtime actually granted, not only the one that was asked for.
#pragma once

// Called by every thread of a team: thread 0 alone writes "Number of threads: " and the size
// of its team to standard output, with a flushing end of line. The others return at once;
// there is no barrier, so they start their work while thread 0 writes.
void print_team_line();
