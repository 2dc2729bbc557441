# Sourced by the scripts that run the fuzzers: fuzz_options FUZZER sets max_len and entropic, the
# input cap and the schedule that fuzzer runs with.
fuzz_options() {
  # The entropic schedule's bookkeeping grows with the features an input reaches: for the
  # fuzzers of the whole engine it took half the time, the plain schedule runs twice as many.
  entropic=1
  case "$1" in
    fuzz_run | fuzz_comparison) max_len=4096 entropic=0 ;;
    fuzz_recognition) max_len=8192 entropic=0 ;;
    fuzz_profile) max_len=4096 ;;
    *) max_len=16384 ;;
  esac
}
