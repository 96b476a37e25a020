# Included by bench/CMakeLists.txt: the game-day catalogue over a folder of 50,000 boxscores.
add_executable(catalogue_bench catalogue_bench.cc)
target_link_libraries(catalogue_bench PRIVATE gamefold_catalogue)
