#pragma once
// A main window on the test thread, as the program creates it.
#include <windows.h>

#include <gtest/gtest.h>

// Dispatches this thread's messages for `ms` milliseconds.
void Pump(DWORD ms);

class MainWindowFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // A click as the user makes it: the control's own reaction, then its handler.
    static void Click(HWND control);
    HWND window = nullptr;
};
