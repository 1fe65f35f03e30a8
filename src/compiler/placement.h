// Signal and slowdown placement: each sets errorNumber only; the caller adds the position.
#pragma once

#include <cstdint>

#include "compiler/build.h"

namespace sc {

void memo_segnale(Build& b, int32_t posizione, int32_t& sx, int32_t& s1, int32_t& s2, int32_t& s3,
                  int32_t& rapp, int32_t& dx, int32_t& d1, int32_t& d2, int32_t& d3,
                  int32_t& tempo);

void memo_rallentamento(Build& b, int32_t x, int32_t& v, int32_t& l, int32_t& f_tt, int32_t f_ta,
                        int32_t& d_v);

}  // namespace sc
