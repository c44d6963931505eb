#include "app/startup.h"

int main(int argc, char** argv)
{
    return orvanta::runProgram(argc, argv);
}
