#!/usr/bin/perl
# Builds the program icon from its pixel grid.
#
#   perl make_icon.pl icon.txt update.ico
#
# icon.txt: 32 rows of 32 characters, top row first; each a hexadecimal
# palette index (standard 16-colour palette) or '.' for transparent. Lines
# starting with '#' and blank lines are comments.
# Output: an .ico file with one 32 x 32, 16-colour image (744 bytes).
use strict;
use warnings;

my ($source, $target) = @ARGV;
die "usage: $0 icon.txt output.ico\n" unless defined $target && @ARGV == 2;

my $SIZE = 32;
my @palette = (    # red, green, blue
    [0x00, 0x00, 0x00], [0x80, 0x00, 0x00], [0x00, 0x80, 0x00], [0x80, 0x80, 0x00],
    [0x00, 0x00, 0x80], [0x80, 0x00, 0x80], [0x00, 0x80, 0x80], [0xC0, 0xC0, 0xC0],
    [0x80, 0x80, 0x80], [0xFF, 0x00, 0x00], [0x00, 0xFF, 0x00], [0xFF, 0xFF, 0x00],
    [0x00, 0x00, 0xFF], [0xFF, 0x00, 0xFF], [0x00, 0xFF, 0xFF], [0xFF, 0xFF, 0xFF],
);

open(my $in, '<', $source) or die "$0: cannot read $source: $!\n";
my @rows;
while (my $line = <$in>) {
    $line =~ s/\r?\n\z//;
    next if $line =~ /^\s*(#|\z)/;
    die "$0: $source:$.: want $SIZE characters of 0-9, A-F or '.'\n"
        unless $line =~ /\A[0-9A-Fa-f.]{$SIZE}\z/;
    push @rows, $line;
}
close $in;
die "$0: $source: want $SIZE rows, found " . scalar(@rows) . "\n" unless @rows == $SIZE;

# The bitmap is stored bottom row first. Transparent pixels get colour 0 in the
# colour (XOR) bitmap so that they leave the background unchanged.
my ($xor, $and) = ('', '');
for my $row (reverse @rows) {
    my ($nibbles, $mask) = ('', '');
    for my $ch (split //, $row) {
        $nibbles .= $ch eq '.' ? '0' : uc $ch;
        $mask .= $ch eq '.' ? '1' : '0';
    }
    $xor .= pack('H*', $nibbles);    # 16 bytes: already a multiple of 4
    $and .= pack('B*', $mask);       # 4 bytes, most significant bit leftmost
}

my $colours = pack('C4' x 16, map { ($_->[2], $_->[1], $_->[0], 0) } @palette);
# BITMAPINFOHEADER; the height covers the colour bitmap and the mask.
my $header = pack('VllvvVVllVV', 40, $SIZE, 2 * $SIZE, 1, 4, 0,
    length($xor) + length($and), 0, 0, 0, 0);
my $image = $header . $colours . $xor . $and;
die "$0: internal error: image is " . length($image) . " bytes\n" unless length($image) == 744;

# ICONDIR with one ICONDIRENTRY; the image follows at offset 6 + 16.
my $ico = pack('vvv', 0, 1, 1)
    . pack('CCCCvvVV', $SIZE, $SIZE, 16, 0, 1, 4, length($image), 22)
    . $image;

open(my $out, '>:raw', "$target.tmp") or die "$0: cannot write $target.tmp: $!\n";
print {$out} $ico or die "$0: cannot write $target.tmp: $!\n";
close $out or die "$0: cannot write $target.tmp: $!\n";
rename("$target.tmp", $target) or die "$0: cannot rename to $target: $!\n";
