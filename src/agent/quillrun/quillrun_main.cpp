// QUILLRUN: the console agent that runs one conversion from its command line or a profile.
#include "agent/agent_console.h"

int main(int argc, char** argv) {
    return agent_main(argc, argv);
}
