/*
 * main.cpp - the entry point of the pagimo program.
 */
#include "core/startup.h"

int main(int argc, char **argv)
{
    return PagimoMain(argc, argv);
}
