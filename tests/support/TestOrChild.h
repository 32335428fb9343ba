// The main() of a test that runs its own executable as a child process
// (through ChildProgram): started as "EXECUTABLE OPTION ARGUMENT" it plays
// the child, otherwise it runs the test.
#pragma once

#include <QTest>

template<typename Application, typename Test>
int runTestOrChild(int argc, char *argv[], const char *option, int (*child)(int argc, char *argv[]))
{
    if (argc == 3 && qstrcmp(argv[1], option) == 0)
        return child(argc, argv);
    Application app(argc, argv);
    Test test;
    return QTest::qExec(&test, argc, argv);
}
