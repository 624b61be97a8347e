// Every build computes floating point the same way: in the precision of its
// types, rounded once per operation. The artwork is drawn by the program's
// tests and checked against files made on another machine, and a 32-bit
// build on the x87 unit would keep 80-bit intermediates and round the edge
// pixels differently. The 32-bit build is therefore made with SSE2
// arithmetic (every processor a supported Windows runs on has it); this
// stops a build that would do otherwise, whatever machine builds it.
#pragma once

#if defined(__i386__) && !defined(__SSE2_MATH__)
#error "32-bit builds must compute floating point with SSE2 (-msse2 -mfpmath=sse)"
#endif
#if defined(__FLT_EVAL_METHOD__) && __FLT_EVAL_METHOD__ != 0
#error "floating point must be evaluated in the precision of its types (FLT_EVAL_METHOD 0)"
#endif
