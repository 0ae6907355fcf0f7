#!/usr/bin/env perl
# Doxygen's input filter for the public headers, which are commented in
# plain `//` lines: it hands Doxygen those comments as documentation.
#   doc_comments.pl HEADER
#
# A header's opening comment (the first after its include guard) describes
# the file. A comment line before a declaration documents it, and a comment
# after a declaration on its line documents that. Comments inside function
# bodies say how, not what: they stay plain. The comments' text is taken
# literally, not as Doxygen commands or HTML; a code span in backquotes
# stays one, and lines indented past the text (an example) are shown as
# they are.
use strict;
use warnings;

sub literal {
    my ($text) = @_;
    my @parts = split /(`[^`]*`)/, $text;
    for (@parts) {
        s/([\\@<>&#%\$])/\\$1/g unless /\A`/;
    }
    return join '', @parts;
}

my $place = 'before guard';  # then 'after guard', 'opening comment', 'body'
my @scopes;                  # for each open brace: whether it opens a function body
my $declaration = '';        # the code since the last ; { or }
my $inExample = 0;           # in a comment's example lines
while (my $line = <>) {
    chomp $line;
    my $inBody = grep { $_ } @scopes;
    if ($line =~ m{\A(\s*)//(.*)\z}) {
        my ($indent, $text) = ($1, $2);
        if ($inBody) {
            print "$line\n";
            next;
        }
        if ($place eq 'after guard') {
            print "$indent/// \@file\n";
            $place = 'opening comment';
        }
        # Lines indented further than the text are an example, shown as
        # they are.
        my $example = $text =~ /\A {3,}\S/;
        print "$indent/// \\verbatim\n" if $example && !$inExample;
        print "$indent/// \\endverbatim\n" if !$example && $inExample;
        $inExample = $example;
        print "$indent///", $example ? $text : literal($text), "\n";
        next;
    }
    if ($inExample) {
        print "/// \\endverbatim\n";
        $inExample = 0;
    }
    $place = 'after guard' if $place eq 'before guard' && $line =~ /\A#define\b/;
    $place = 'body' if $place eq 'opening comment' || ($place eq 'after guard' && $line =~ /\S/ && $line !~ /\A#/);

    my ($code, $comment) = $line =~ m{\A([^"]*?\S[^"]*?)\s*//(.*)\z} ? ($1, $2) : ($line, undef);
    for my $char (split //, $code) {
        if ($char eq '{') {
            push @scopes, $inBody || $declaration =~ /\(/ ? 1 : 0;
            $declaration = '';
        } elsif ($char eq '}') {
            pop @scopes;
            $declaration = '';
        } elsif ($char eq ';') {
            $declaration = '';
        } else {
            $declaration .= $char;
        }
    }
    $declaration .= ' ';
    if (defined $comment && !$inBody) {
        print "$code  ///<", literal($comment), "\n";
    } else {
        print "$line\n";
    }
}
