# Installs the built library into a fresh prefix, then builds and runs a consumer project
# against it with find_package, with pkg-config, and with add_subdirectory.
# Arguments: SOURCE (gtikit sources), BUILD (gtikit build tree), WORK (scratch), GENERATOR.

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGN}\n${out}\n${err}")
  endif()
  set(last_output "${out}" PARENT_SCOPE)
endfunction()

function(expect_date)
  if(NOT last_output MATCHES "5 марта 2004г. 7:09")
    message(FATAL_ERROR "unexpected consumer output: ${last_output}")
  endif()
endfunction()

file(REMOVE_RECURSE ${WORK})
set(prefix ${WORK}/prefix)
run(${CMAKE_COMMAND} --install ${BUILD} --prefix ${prefix})
# ...with the documentation and the examples.
foreach(doc README.md PERFORMANCE.md examples/timed_records.cpp)
  if(NOT EXISTS ${prefix}/share/doc/gtikit/${doc})
    message(FATAL_ERROR "share/doc/gtikit/${doc} is not installed")
  endif()
endforeach()

# find_package, with each compiler at hand: the package imposes no compiler flag
foreach(compiler g++ clang++)
  find_program(cxx_${compiler} ${compiler})
  if(NOT cxx_${compiler})
    continue()
  endif()
  run(${CMAKE_COMMAND} -S ${SOURCE}/tests/package/consumer -B ${WORK}/find-${compiler} -G ${GENERATOR}
      -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=${cxx_${compiler}})
  run(${CMAKE_COMMAND} --build ${WORK}/find-${compiler})
  run(${WORK}/find-${compiler}/consumer)
  expect_date()
endforeach()

# pkg-config
find_program(PKG_CONFIG pkg-config REQUIRED)
set(ENV{PKG_CONFIG_PATH} ${prefix}/lib/pkgconfig)
execute_process(COMMAND ${PKG_CONFIG} --cflags --libs gtikit OUTPUT_VARIABLE flags RESULT_VARIABLE rc
                OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "pkg-config does not know gtikit")
endif()
separate_arguments(flags UNIX_COMMAND "${flags}")
run(c++ ${SOURCE}/tests/package/consumer/main.cpp ${flags} -o ${WORK}/pkg-consumer)
run(${WORK}/pkg-consumer)
expect_date()

# add_subdirectory
run(${CMAKE_COMMAND} -S ${SOURCE}/tests/package/consumer -B ${WORK}/sub -G ${GENERATOR}
    -DGTIKIT_SOURCE=${SOURCE} -DCMAKE_BUILD_TYPE=Release)
run(${CMAKE_COMMAND} --build ${WORK}/sub)
run(${WORK}/sub/consumer)
expect_date()
message(STATUS "the package serves find_package, pkg-config and add_subdirectory")
