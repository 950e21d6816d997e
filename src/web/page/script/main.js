// The page starts: the program, and the lint of the text it starts with.

start();
lint();
