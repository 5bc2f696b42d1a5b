# The fuzzers, one per routine that reads outside input; each has fuzz_<name>.cpp and
# a seed corpus in corpus/<name>.
set(KEST_FUZZERS command_line extract_token list_file fonts_reg uninstall_values protected_folder szdd)
