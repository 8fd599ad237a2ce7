# The simulator child process and the loopback listener helpers, without a
# test framework: shared by the tests' helpers and the benchmarks.  Included
# from tests/support and bench; defines its target once.
if(NOT TARGET zevahv_sim_child)
  add_library(zevahv_sim_child STATIC
    ${CMAKE_CURRENT_LIST_DIR}/sim_child.cpp
    ${CMAKE_CURRENT_LIST_DIR}/loopback.cpp)
  target_include_directories(zevahv_sim_child PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(zevahv_sim_child PUBLIC Threads::Threads)
  target_compile_definitions(zevahv_sim_child PRIVATE
    ZEVAHV_SIM_PATH="$<TARGET_FILE:zevahv-sim>")
  add_dependencies(zevahv_sim_child zevahv-sim)
endif()
