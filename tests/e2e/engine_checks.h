#pragma once

#include <gtest/gtest.h>

#include <string>

#include "engine_process.h"

namespace E2E {

// The engine ended by itself, in time, with status 0.
inline void ExpectCleanExit(const ExitResult& exit) {
  EXPECT_FALSE(exit.timedOut) << "the engine did not end: it hangs or spins";
  EXPECT_TRUE(exit.exited) << "ended by signal " << exit.status;
  EXPECT_EQ(0, exit.status);
}

// What ShowAll writes for the state of a new or reset engine.
inline const std::string kResetDump =
    "current_shot_number : 0 ;  \ncurrent_end_number : 0\n"
    "Score : 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, \nPosition : \n";

}  // namespace E2E
