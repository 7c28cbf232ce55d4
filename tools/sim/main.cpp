#include "PtySimulator.h"

int main(int argc, char **argv)
{
    return kelvane::sim::runMain(argc, argv);
}
