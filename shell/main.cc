// Quillon: puts an image onto a forum's picture store and hands back its address.
#include "shell/start_up.h"

int main() { quillon::run_program(); }
