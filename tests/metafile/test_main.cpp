#include "MetafileTest.h"

#include <QtTest>

QTEST_MAIN(zarovia::picture::metafile::test::MetafileTest)
