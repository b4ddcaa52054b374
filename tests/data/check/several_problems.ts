! A bench export with a few mistakes in it
[Version] 2.0
# GHz S RI R 50 THz
[Number of Ports] 2
[Number of Frequencies] 3
[Two-Port Data Order] 12_21
[Colour] blue
[Network Data]
1   0.5 0  0.1 0  0.9 0  0.4 0
2   0.5 0  0.1 0  0.9 0  0.4 0
1.5 0.5 0  0.1 0  0.9 0  0.4 0
