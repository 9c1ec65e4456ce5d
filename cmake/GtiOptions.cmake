# Compile settings shared by every gtikit target.

set(GTI_WARNING_FLAGS -Wall -Wextra)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  # GCC 12 reports string concatenations such as "[" + std::string(name) as overlapping copies
  # at -O2 and above (GCC bug 105329); the warning says nothing about our code there.
  list(APPEND GTI_WARNING_FLAGS -Wno-restrict)
endif()
if(GTI_WERROR)
  list(APPEND GTI_WARNING_FLAGS -Werror)
endif()

if(GTI_FUZZ)
  # Everything is instrumented for coverage and checked; the fuzz targets add libFuzzer's main.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
elseif(GTI_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
elseif(GTI_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

# gti_target_defaults(target): the warnings of the house on one of our own targets.
function(gti_target_defaults target)
  target_compile_options(${target} PRIVATE ${GTI_WARNING_FLAGS})
endfunction()
