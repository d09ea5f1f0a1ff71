#pragma once

namespace zembra::bench {

// Prints the codec's figures; 0 when they reach what they must.
int RunSoundBench(int runs);

}  // namespace zembra::bench
