message(STATUS "native build: nothing yet")
