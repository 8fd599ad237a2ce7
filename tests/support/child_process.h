#pragma once
// Starting a program as a test's child: fork and exec with chosen standard
// descriptors, and a child that dies with the test binary, so that no
// process of a test outlives it.

#include <sys/types.h>

#include <string>
#include <vector>

// argv[0] is the program's path.  in_fd, out_fd and err_fd become the
// child's descriptors 0, 1 and 2; -1 leaves the test's own.  Returns the
// child's pid, or -1 when fork fails.
pid_t spawn_child(std::vector<std::string> argv, int in_fd, int out_fd, int err_fd);
