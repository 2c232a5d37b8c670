// SPDX-License-Identifier: LicenseRef-Quillmark
int main() { return 0; }
