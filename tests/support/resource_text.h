#ifndef RESOURCE_TEXT_H
#define RESOURCE_TEXT_H

#include <qares.h>

#include <memory>

// Parses resource text that the test expects to be well formed (a syntax
// error fails the test and gives null).
std::unique_ptr<QARes> parseResources(const char* text, const char* fileName = "test.res");

#endif
