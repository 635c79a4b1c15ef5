<font color=#0000FF>x</font> ; "<font>"
?label @y