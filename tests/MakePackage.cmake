# SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the Debian package of this build tree afresh into OUT, for tst_package: the folder holds
# this run's package only.
#
#   cmake -DCPACK=<cpack> -DCONFIG=<build>/CPackConfig.cmake -DOUT=<folder> -P MakePackage.cmake
file(REMOVE_RECURSE "${OUT}")
execute_process(COMMAND "${CPACK}" -G DEB -B "${OUT}" --config "${CONFIG}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cpack failed (${result})")
endif()
