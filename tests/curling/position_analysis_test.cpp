#include "curling/position_analysis.h"

#include <gtest/gtest.h>
