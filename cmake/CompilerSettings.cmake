# Warnings, character set and runtime shared by every target of the project.

if(MSVC)
    set(CMAKE_MSVC_RUNTIME_LIBRARY "MultiThreaded$<$<CONFIG:Debug>:Debug>")
endif()

if(WIN32 AND NOT MSVC)
    # The programs carry their C++ runtime: they must import only Windows system DLLs.
    add_link_options(-static -static-libgcc -static-libstdc++)
endif()

option(TARN_WERROR "Treat the project's own warnings as errors (the test command sets it)" OFF)

function(tarn_apply_settings target)
    if(MSVC)
        target_compile_options(${target} PRIVATE /W4 /permissive- /utf-8 $<$<BOOL:${TARN_WERROR}>:/WX>)
    else()
        # Tables are written with designated initialisers that leave fields at their defaults on
        # purpose; GCC 12 warns about each of them.
        target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion
                                                 -Wno-missing-field-initializers $<$<BOOL:${TARN_WERROR}>:-Werror>)
    endif()
    if(WIN32)
        target_compile_definitions(${target} PUBLIC UNICODE _UNICODE NOMINMAX)
    endif()
    if(TARN_NATIVE AND TARN_SANITIZE)
        target_compile_options(${target} PRIVATE ${TARN_SANITIZE_FLAGS})
        target_link_options(${target} PRIVATE ${TARN_SANITIZE_FLAGS})
    endif()
endfunction()

if(TARN_NATIVE)
    option(TARN_SANITIZE "Build native code under AddressSanitizer and UndefinedBehaviorSanitizer" ON)
    set(TARN_SANITIZE_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
endif()
