# SPDX-License-Identifier: MIT
# Tests of the Windows build under Wine (filled in by the Wine test setup).
