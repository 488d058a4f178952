# tolvane_warnings(target): the project's warning set, applied per target so
# that third-party code and generated moc files are never affected by it.
function(tolvane_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic
    -Wshadow -Wnon-virtual-dtor -Wold-style-cast -Wcast-align
    -Woverloaded-virtual -Wnull-dereference -Wformat=2)
endfunction()
