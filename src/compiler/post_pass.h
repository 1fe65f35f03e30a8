// The route post-pass: automatic reduction points and spacing checks over the cells.
#pragma once

#include "compiler/build.h"

namespace sc {

constexpr int16_t kAutomaticPointValue = 180;

// Runs rules A to D over cells 1 to lastCell - 2; records errors 11 to 13 and goes on.
void postPass(Build& b);

// The smaller of a and b; equal values give a.
double minimo(double a, double b);

}  // namespace sc
