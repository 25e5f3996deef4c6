// SPDX-License-Identifier: MIT
// Keeps the library non-empty while its parts are added one by one.
