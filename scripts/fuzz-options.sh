# Sourced by the scripts that run the fuzzers: fuzz_options FUZZER sets max_len and entropic, the
# input cap and the schedule that fuzzer runs with; fuzz_sanitizer_options holds what the fuzzers
# add to ASAN_OPTIONS.
fuzz_options() {
  # The entropic schedule's bookkeeping grows with the features an input reaches: for the
  # fuzzers of the whole engine it took half the time, the plain schedule runs twice as many.
  entropic=1
  case "$1" in
    # A run's cost grows with its input, and a fault needs a few blocks: 512 bytes hold eight or
    # so, and a sample of them is still not the whole file. Inputs of up to 512 bytes run about
    # 1.7 times as often as those of up to 1 KB, and in a minute from the seeds reached as much
    # of the code (the run and recognition fuzzers more, the comparison fuzzer 2 % fewer
    # features). Recognition's work bound is checked on every input; 100 KB files are the unit
    # tests' part.
    fuzz_run | fuzz_comparison | fuzz_recognition) max_len=512 entropic=0 ;;
    fuzz_profile) max_len=4096 ;;
    *) max_len=16384 ;;
  esac
}

# No allocation stacks and a small quarantine: unwinding at every allocation and a 256 MB
# quarantine took a third of the whole-engine fuzzers' time. A finding is replayed with the
# defaults (the input is kept) for the stacks of its allocation. An execution of the run or the
# comparison fuzzer frees 200 to 300 KB, so a use after free within the last 2 MB freed, several
# executions' worth, is still caught; a larger quarantine only makes each allocation reach memory
# that has left the cache (with 16 MB, the allocator's cache misses were the run fuzzer's top
# entry in a profile, 12 % of it).
# Stack use after return is left to the sanitized tests (scripts/test-sanitized.sh turns it on
# for them): it moves every frame with a local array to the heap, and a function whose locals are
# used after it returns does so on the tests' paths as well. Use after scope is still caught.
fuzz_sanitizer_options="malloc_context_size=0:quarantine_size_mb=2:detect_stack_use_after_return=0"

# Where a fuzzer's new inputs go: memory when the machine has it (/dev/shm), as libFuzzer writes
# a file for each and making files on disk cost a fifth of the run fuzzer's time.
fuzz_scratch() {
  if [ -d /dev/shm ] && [ -w /dev/shm ]; then mktemp -d /dev/shm/trelk-fuzz.XXXXXX; else mktemp -d "${TMPDIR:-/tmp}/trelk-fuzz.XXXXXX"; fi
}
