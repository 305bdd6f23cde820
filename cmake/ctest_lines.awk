# Shortens ctest's progress lines to fit a terminal: ctest pads every name
# with dots to the longest name of the run (some are over 140 characters), so
# each line was wider than any window. The padding goes and a long name keeps
# its start and end; the summary at the end still names failed tests in full.
# Every other line (a failed test's output) passes unchanged.
function shorten(name)
{
    if (length(name) <= width)
        return name
    keep = int((width - 3) / 2)
    return substr(name, 1, keep) "..." substr(name, length(name) - (width - 3 - keep) + 1)
}

BEGIN { width = 56 }

/^ *[0-9]+\/[0-9]+ Test +#[0-9]+: / {
    at = index($0, ": ")
    head = substr($0, 1, at + 1)
    rest = substr($0, at + 2)
    # The name ends where ctest's padding begins: a blank and a run of dots.
    cut = index(rest, " ..")
    if (cut > 0) {
        name = substr(rest, 1, cut - 1)
        status = substr(rest, cut + 1)
        sub(/^\.+ */, "", status)
        gsub(/  +/, " ", status)
        printf "%s%s  %s\n", head, shorten(name), status
        fflush()
        next
    }
}

/^ +Start +[0-9]+: / {
    at = index($0, ": ")
    printf "%s%s\n", substr($0, 1, at + 1), shorten(substr($0, at + 2))
    fflush()
    next
}

{
    print
    fflush()
}
