#pragma once
// What a test counts to see that nothing of a closed system stays behind:
// this process's open descriptors and its threads.

int open_fd_count();  // not counting the one that reads /proc/self/fd
int thread_count();
