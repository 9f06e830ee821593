// Keeps the test support library non-empty whatever the folder holds.
namespace TestSupport { int LibraryAnchor = 0; }
