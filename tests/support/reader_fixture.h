#ifndef READER_FIXTURE_H
#define READER_FIXTURE_H

#include <tcf.h>
#include <tdf.h>

#include "configured_reader.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// A reader over the configurations of tests/data/reader.tcf ("test" with
// two-word block ids and nested control flow, "other", and "hidden" which
// hides the world actor), with every report recorded.
class ReaderTest : public ConfiguredReaderTest {
protected:
    ReaderTest();

    // Hands one line to the reader.
    TDFObject* line(const char* text, bool* changed = nullptr, TDF::ModelChangment* change = nullptr);
    // Hands several lines to the reader; returns what the last one gave.
    TDFObject* lines(std::initializer_list<const char*> texts);
    // The texts of the reports so far.
    std::vector<std::string> messages() const;
    // Defines and selects (SF 1 1 2) a block of "test" with ids 1 2 declaring
    // static instances 1 (Task "Sensor"), 2 (Module "io"), 3 (Named
    // "Worker"), messages 7 ("ping") and 8 ("pong") and text 9 ("label").
    void selectTestBlock();
};

#endif
