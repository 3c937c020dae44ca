#include "check/script_check.h"

#include <gtest/gtest.h>
