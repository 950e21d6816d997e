// The page starts: the program, the lint of the text it starts with, and
// the studies' instances once the program waits.

start();
lint();
prepareStudies();
