#pragma once

#include <functional>

namespace vantorix::cube {

// Work cut into bands (a picture's rows, a few at a time), each made on one
// of `threads` worker threads and then used, in order, on the calling
// thread: rows sampled or compressed on every core and written as they come.
// Band b is made into slot b % `slots`, once the band before it in that slot
// has been used, so no more than `slots` bands are ever held.
//
// An exception from making or using a band ends the work: the workers finish
// the bands they are making, take no more, and are joined; then the
// exception comes out of this call.
void MakeAndUseInOrder(int bands, int threads, int slots, const std::function<void(int band, int slot)>& make,
                       const std::function<void(int band, int slot)>& use);

// `threads`, or one a core when it is 0.
int ThreadCount(int threads);

}  // namespace vantorix::cube
